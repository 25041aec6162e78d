#pragma once

#include "records/ProjectObject.h"

#include <QDateTime>
#include <QWidget>

namespace tidewell {

class ElidedLabel;
class ReadyStateIcon;

// One Vercel project in the deployments tab: its name, and for its latest deployment how long ago
// it was made, "author: message" of its commit and its build status. A click opens its dashboard.
class ProjectView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 60;

    explicit ProjectView(ProjectObject data, QWidget* parent = nullptr);

    const ProjectObject& data() const { return m_data; }
    // Rewords the deployment time against `now`; rows outlive many polls.
    void refreshTime(const QDateTime& now = QDateTime::currentDateTime());

    // What the row shows, for tests: empty where a part is not shown.
    QString timeText() const;
    QString commitText() const;
    ReadyStateIcon* readyStateIcon() const { return m_icon; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ProjectObject m_data;
    ElidedLabel* m_time = nullptr;
    ElidedLabel* m_commit = nullptr;
    ReadyStateIcon* m_icon = nullptr;
    bool m_pressed = false;
};

} // namespace tidewell
