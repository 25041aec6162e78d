#include "gui/deployments/ProjectView.h"

#include "deployments/RelativeTimeFormatter.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/widgets/AccessibleItem.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/RowHoverLook.h"
#include "gui/widgets/StandardWidgets.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace tidewell {

namespace {

// Names and commit messages come from the service: shown as typed, never as HTML, here and in the
// tooltip that shows them whole.
ElidedLabel* plainLabel(const QString& text, const char* objectName, QWidget* parent)
{
    auto* label = new ElidedLabel(Qt::ElideRight, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setFullText(text);
    return label;
}

} // namespace

ProjectView::ProjectView(ProjectObject data, QWidget* parent) : QWidget(parent), m_data(std::move(data))
{
    setObjectName(QStringLiteral("projectView"));
    AccessibleItem::give(this, QAccessible::ListItem);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(RowHoverLook::kHorizontalPadding, 0, RowHoverLook::kHorizontalPadding, 0);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->setAlignment(Qt::AlignVCenter);
    ElidedLabel* name = plainLabel(m_data.name, "name", this);
    QFont semibold = name->font();
    semibold.setWeight(QFont::DemiBold);
    name->setFont(semibold);
    column->addWidget(name);

    if (!m_data.latestDeployments.isEmpty()) {
        const Deployments& latest = m_data.latestDeployments.first();
        if (latest.deployedAt()) {
            m_time = plainLabel(QString(), "time", this);
            column->addWidget(m_time);
        }
        if (const auto commit = latest.meta.commitLine()) {
            m_commit = plainLabel(*commit, "commit", this);
            useSecondaryColour(m_commit);
            column->addWidget(m_commit);
        }
        m_icon = new ReadyStateIcon(latest.readyState, this);
    } else {
        auto* none = new PlainTextLabel(tr("No deployments yet"), this);
        none->setObjectName(QStringLiteral("noDeployments"));
        useSecondaryColour(none);
        column->addWidget(none);
    }
    layout->addLayout(column, 1);
    if (m_icon)
        layout->addWidget(m_icon, 0, Qt::AlignVCenter);

    refreshTime();
    new RowHoverLook(this, kHeight);
}

void ProjectView::refreshTime(const QDateTime& now)
{
    if (m_time) {
        m_time->setFullText(
            RelativeTimeFormatter::formatMilliseconds(*m_data.latestDeployments.first().deployedAt(), now));
    }
    // One item for a screen reader: the project, the state of its latest deployment and its time.
    if (!m_icon)
        setAccessibleName(tr("%1, no deployments yet").arg(m_data.name));
    else if (m_time)
        setAccessibleName(tr("%1, %2, %3").arg(m_data.name, m_icon->toolTip(), m_time->fullText()));
    else
        setAccessibleName(tr("%1, %2").arg(m_data.name, m_icon->toolTip()));
}

QString ProjectView::timeText() const
{
    return m_time ? m_time->fullText() : QString();
}

QString ProjectView::commitText() const
{
    return m_commit ? m_commit->fullText() : QString();
}

void ProjectView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void ProjectView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

} // namespace tidewell
