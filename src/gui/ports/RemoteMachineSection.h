#pragma once

#include "remote/RemoteMachinesWatcher.h"

#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace tidewell {

class Desktop;
class RemoteServerRow;

// One remote machine under the local rows: a header with its name and how many servers it has,
// which folds the section; while the machine cannot be listed, one line with the reason instead of
// rows. Rows stay while their server does, so their forwards stay too.
class RemoteMachineSection : public QWidget
{
    Q_OBJECT
public:
    RemoteMachineSection(const QString& destination, RemoteMachine* machine, std::shared_ptr<Desktop> desktop,
                         QWidget* parent = nullptr);

    QString destination() const { return m_destination; }
    // `filterText` keeps the rows that hold every word, as for local rows.
    void showState(const RemoteMachinesWatcher::MachineState& state, const QString& filterText);
    QString headerText() const;
    QString errorText() const;
    bool isFolded() const;
    void setFolded(bool folded);
    QList<RemoteServerRow*> rows() const;

private:
    QString m_destination;
    RemoteMachine* m_machine;
    std::shared_ptr<Desktop> m_desktop;
    QToolButton* m_header;
    QLabel* m_error;
    QWidget* m_body;
    QVBoxLayout* m_rows;
};

} // namespace tidewell
