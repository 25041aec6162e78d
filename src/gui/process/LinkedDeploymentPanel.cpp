#include "gui/process/LinkedDeploymentPanel.h"

#include "deployments/RelativeTimeFormatter.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/FailureLine.h"
#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/StandardWidgets.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tidewell {

namespace {

constexpr int kMaxTextWidth = 400;

// Names and commit messages come from the service: shown as typed, never as HTML.
ElidedLabel* plainLabel(const QString& text, const char* objectName, QWidget* parent)
{
    auto* label = new ElidedLabel(Qt::ElideRight, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setFullText(text);
    label->setMaximumWidth(kMaxTextWidth);
    return label;
}

} // namespace

LinkedDeploymentPanel::LinkedDeploymentPanel(const ProjectObject& project,
                                             const std::optional<QUrl>& deploymentsPage,
                                             std::shared_ptr<Desktop> desktop, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("linkedDeployment"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* heading = new QHBoxLayout;
    ElidedLabel* name = plainLabel(tr("Vercel: %1").arg(project.name), "deploymentProject", this);
    QFont semibold = name->font();
    semibold.setWeight(QFont::DemiBold);
    name->setFont(semibold);
    heading->addWidget(name, 1);
    if (!project.latestDeployments.isEmpty()) {
        const Deployments& latest = project.latestDeployments.first();
        auto* state = new PlainTextLabel(readyStateText(latest.readyState), this);
        state->setObjectName(QStringLiteral("deploymentState"));
        heading->addWidget(state);
        heading->addWidget(new ReadyStateIcon(latest.readyState, this));
        layout->addLayout(heading);
        if (const auto at = latest.deployedAt())
            layout->addWidget(
                plainLabel(RelativeTimeFormatter::formatMilliseconds(*at), "deploymentTime", this));
        if (const auto commit = latest.meta.commitLine()) {
            ElidedLabel* line = plainLabel(*commit, "deploymentCommit", this);
            useSecondaryColour(line);
            layout->addWidget(line);
        }
    } else {
        layout->addLayout(heading);
    }
    if (!deploymentsPage || !desktop)
        return;
    auto* open = new QPushButton(tr("Open Deployments"), this);
    open->setObjectName(QStringLiteral("openDeployments"));
    auto* failure = new FailureLine(this);
    connect(open, &QPushButton::clicked, this,
            [page = *deploymentsPage, desktop, failure] { desktop->openUrl(page, failure->startAction()); });
    layout->addWidget(open, 0, Qt::AlignLeft);
    layout->addWidget(failure);
}

} // namespace tidewell
