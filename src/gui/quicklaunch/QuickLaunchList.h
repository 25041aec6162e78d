#pragma once

#include "gui/process/AppServices.h"

#include <QWidget>

class QLabel;

namespace tidewell {

class AnimatedRowList;

// The quick-launch tab: one row per saved server, "No quick launch" when there is none. It is
// redrawn from the stored list whenever that changes, and keeps only the rows that match the words
// typed to find one ("No matching servers" when none does).
class QuickLaunchList : public QWidget
{
    Q_OBJECT
public:
    explicit QuickLaunchList(const AppServices* services, QWidget* parent = nullptr);

    void reload();
    void setAnimated(bool animated);
    QList<QWidget*> rows() const;
    bool showsNoItemsText() const;
    QString placeholderText() const;

private:
    // Marks every row by the servers the port list shows now.
    void showRunningServers();

    const AppServices* m_services;
    AnimatedRowList* m_list;
    QLabel* m_empty;
};

} // namespace tidewell
