#pragma once

#include "gui/process/AppServices.h"
#include "remote/RemoteMachinesWatcher.h"

#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace tidewell {

class ProcessItem;

// One remote machine under the local rows: a header with its name and how many servers it has,
// which folds the section; while the machine cannot be listed, one line with the reason instead of
// rows. Rows look and act like local ones; a row's forward stays while its process listens.
class RemoteMachineSection : public QWidget
{
    Q_OBJECT
public:
    RemoteMachineSection(const QString& destination, RemoteMachine* machine, const AppServices& services,
                         QWidget* parent = nullptr);

    QString destination() const { return m_destination; }
    // `filterText` keeps the rows that hold every word, as for local rows.
    void showState(const RemoteMachinesWatcher::MachineState& state, const QString& filterText);
    QString headerText() const;
    QString errorText() const;
    bool isFolded() const;
    void setFolded(bool folded);
    QList<ProcessItem*> rows() const;

private:
    QString m_destination;
    RemoteMachine* m_machine;
    // What the rows reach: the state and the desktop; no local stop, readings or quick launch.
    AppServices m_rowServices;
    QToolButton* m_header;
    QLabel* m_error;
    QWidget* m_body;
    QVBoxLayout* m_rows;
};

} // namespace tidewell
