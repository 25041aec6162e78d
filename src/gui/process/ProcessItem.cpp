#include "gui/process/ProcessItem.h"

#include "deployments/DeploymentsFeed.h"
#include "gui/process/AppTypeIcon.h"
#include "gui/process/ClipboardCopy.h"
#include "gui/process/LinkedDeploymentPanel.h"
#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessIcon.h"
#include "gui/process/ProcessInfoAction.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/widgets/AccessibleItem.h"
#include "gui/widgets/BusySpinner.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/FailureLine.h"
#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/RoundedBox.h"
#include "gui/widgets/RowHoverLook.h"
#include "gui/widgets/StandardWidgets.h"
#include "ports/PortListRefresher.h"
#include "probe/PageProbe.h"
#include "probe/PortPage.h"
#include "process/ProcessClassifier.h"
#include "remote/RemoteMachine.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

namespace {

constexpr int kIconSide = 28;
constexpr int kXrayIconSide = 20;

QFont captionFont(const QFont& base)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

} // namespace

ProcessItem::ProcessItem(const PortData& port, bool small, const AppServices* services, QWidget* parent)
    : ProcessItem(port, small, nullptr, services, parent)
{}

ProcessItem::ProcessItem(const PortData& port, RemoteMachine* machine, const AppServices* services,
                         QWidget* parent)
    : ProcessItem(port, false, machine, services, parent)
{}

ProcessItem::ProcessItem(const PortData& port, bool small, RemoteMachine* machine,
                         const AppServices* services, QWidget* parent)
    : QWidget(parent), m_port(port), m_small(small), m_machine(machine), m_services(services)
{
    setObjectName(QStringLiteral("processItem"));
    buildLayout();
    AccessibleItem::give(this, QAccessible::ListItem);
    setToolTip(small ? tr("Ctrl+C copies the command, Delete stops it, Space shows the details")
                     : tr("Enter opens the page, Ctrl+C copies the command, Delete stops it, Space shows "
                          "the details"));

    m_rowHoverLook = new RowHoverLook(this, small ? 40 : 60);
    const auto entry = std::make_shared<PortData>(m_port);
    const AppServices* popoverServices = m_services;
    m_popover = new DelayPopover(
        this, kPopoverDelayMs, [entry] { return entry->htmlData() ? entry->htmlData()->title : QString(); },
        [entry, popoverServices, machine = m_machine] {
            return new ProcessInfoAction(entry, false, popoverServices, machine);
        },
        [this] { return makeDetails(); });

    AppState* state = m_services->state;
    connect(state, &AppState::xrayModeChanged, this, &ProcessItem::xrayModeChanged);
    // The row takes the current mode's icon size at once; its figures come from the list's poller.
    xrayModeChanged(state->xrayMode());

    // A remote folder is no folder here: no linked project.
    if (m_services->deploymentsFeed && m_port.processInfo() && !m_machine) {
        connect(m_services->deploymentsFeed, &DeploymentsFeed::linkedChanged, this,
                &ProcessItem::updateLinkedProject);
        updateLinkedProject();
    }
}

ProcessItem::~ProcessItem()
{
    if (m_forwardedPort != 0 && m_machine)
        m_machine->connection().cancelLocal(m_port.port().toInt(), m_forwardedPort);
}

RemoteMachine* ProcessItem::remoteMachine() const
{
    return m_machine;
}

QWidget* ProcessItem::makeDetails()
{
    auto* details = new ProcessDetailsPanel(m_port, true);
    if (m_linkedProject) {
        details->addSection(new LinkedDeploymentPanel(
            *m_linkedProject, m_services->deploymentsFeed->deploymentsPage(*m_linkedProject),
            m_services->desktop));
    }
    return details;
}

void ProcessItem::updateLinkedProject()
{
    std::optional<ProjectObject> project = m_services->deploymentsFeed->projectFor(m_port.processInfo()->cwd);
    if (project == m_linkedProject)
        return;
    m_linkedProject = std::move(project);
    delete m_deploymentIcon;
    m_deploymentIcon = nullptr;
    if (!m_linkedProject || m_linkedProject->latestDeployments.isEmpty())
        return;
    m_deploymentIcon = new ReadyStateIcon(m_linkedProject->latestDeployments.first().readyState, this);
    m_deploymentIcon->setObjectName(QStringLiteral("deploymentIcon"));
    m_deploymentIcon->setToolTip(PlainTextLabel::toolTipFor(
        tr("Vercel: %1 %2").arg(m_linkedProject->name, m_deploymentIcon->toolTip())));
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->insertWidget(row->indexOf(m_portLabel) + 1, m_deploymentIcon, 0, Qt::AlignVCenter);
}

void ProcessItem::buildLayout()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(RowHoverLook::kHorizontalPadding, 0, RowHoverLook::kHorizontalPadding, 0);
    layout->setSpacing(8);

    m_processIcon = new ProcessIcon(m_port.processName(), m_port.runtime(), kIconSide, this);
    layout->addWidget(m_processIcon);
    if (const auto page = m_port.htmlData()) {
        m_appTypeIcon = new AppTypeIcon(page->appType, kIconSide, this);
        layout->addWidget(m_appTypeIcon);
    }

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->setContentsMargins(0, 0, 0, 0);
    if (m_port.processName() == QLatin1String("ssh")) {
        auto* badge = new RoundedBox(6, this);
        badge->setObjectName(QStringLiteral("sshBadge"));
        auto* badgeLayout = new QHBoxLayout(badge);
        badgeLayout->setContentsMargins(6, 2, 6, 2);
        auto* badgeText = new PlainTextLabel(QStringLiteral("SSH"), badge);
        badgeText->setFont(captionFont(font()));
        badgeLayout->addWidget(badgeText);
        column->addWidget(badge, 0, Qt::AlignLeft);
    }
    // A server that has not answered yet is listed, dimmed, so that it can still be stopped.
    // A long title wraps onto a second line and is shortened there; the row grows to hold it.
    auto* title = new ElidedLabel(Qt::ElideRight, this);
    title->setObjectName(QStringLiteral("title"));
    if (!m_port.htmlData())
        useSecondaryColour(title);
    QFont titleFont = title->font();
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    title->setMaximumLines(2);
    title->setFullText(m_port.htmlData() ? m_port.htmlData()->title : tr("No answer"));
    // The resting pointer opens the details, which show the whole title; a tooltip would cover them.
    title->setToolTip(QString());
    column->addWidget(title);

    m_statsLine = new QWidget(this);
    m_statsLine->setObjectName(QStringLiteral("statsLine"));
    auto* statsLayout = new QHBoxLayout(m_statsLine);
    statsLayout->setContentsMargins(0, 0, 0, 0);
    QFont mono = captionFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mono.setPointSizeF(captionFont(font()).pointSizeF());
    m_cpu = new PlainTextLabel(m_statsLine);
    m_cpu->setObjectName(QStringLiteral("statsCpu"));
    m_memory = new PlainTextLabel(m_statsLine);
    m_memory->setObjectName(QStringLiteral("statsMemory"));
    m_branch = new ElidedLabel(Qt::ElideLeft, m_statsLine);
    m_branch->setObjectName(QStringLiteral("statsBranch"));
    for (QLabel* label : {m_cpu, m_memory, static_cast<QLabel*>(m_branch)}) {
        label->setFont(mono);
        statsLayout->addWidget(label);
    }
    statsLayout->setStretch(2, 1);
    m_statsLine->hide();
    column->addWidget(m_statsLine);
    m_failure = new FailureLine(this);
    column->addWidget(m_failure);
    if (m_machine) {
        m_forward = new PlainTextLabel(this);
        m_forward->setObjectName(QStringLiteral("forward"));
        m_forward->setFont(captionFont(font()));
        useSecondaryColour(m_forward);
        m_forward->hide();
        column->addWidget(m_forward);
    }
    layout->addLayout(column, 1);

    auto* portLabel = new PlainTextLabel(m_port.port(), this);
    portLabel->setObjectName(QStringLiteral("port"));
    useSecondaryColour(portLabel);
    layout->addWidget(portLabel);
    m_portLabel = portLabel;

    if (isEditorProcess(m_port.processName()))
        return;
    m_stopStack = new QStackedWidget(this);
    m_stopStack->setObjectName(QStringLiteral("stopStack"));
    m_stopButton = makeSymbolButton("trash", tr("Stop"), m_stopStack);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    connect(m_stopButton, &QToolButton::clicked, this, &ProcessItem::stopProcess);
    m_stopStack->addWidget(m_stopButton);
    auto* spinnerHolder = new QWidget(m_stopStack);
    auto* spinnerLayout = new QHBoxLayout(spinnerHolder);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    auto* spinner = new BusySpinner(spinnerHolder);
    spinner->setObjectName(QStringLiteral("stopSpinner"));
    spinnerLayout->addWidget(spinner, 0, Qt::AlignCenter);
    m_stopStack->addWidget(spinnerHolder);
    auto* force = new QPushButton(tr("Force stop"), m_stopStack);
    force->setObjectName(QStringLiteral("forceStopButton"));
    force->setToolTip(tr("Still listening: end it with SIGKILL"));
    connect(force, &QPushButton::clicked, this, &ProcessItem::forceStop);
    m_stopStack->addWidget(force);
    auto* refused = new PlainTextLabel(tr("Not permitted"), m_stopStack);
    refused->setObjectName(QStringLiteral("notPermitted"));
    refused->setToolTip(tr("The process belongs to another user"));
    useSecondaryColour(refused);
    m_stopStack->addWidget(refused);
    showStopPage(StopPage::stop);
    layout->addWidget(m_stopStack);
}

void ProcessItem::showStopPage(StopPage page)
{
    m_stopStack->setCurrentIndex(int(page));
    AccessibleItem::setState(this, AccessibleItem::State::busy, page == StopPage::spinner);
    m_stopStack->setFixedSize(m_stopStack->currentWidget()->sizeHint());
}

void ProcessItem::stopProcess()
{
    if (!m_stopStack)
        return;
    // Asked again while it offers to force the stop (from the keyboard): that is the next step.
    if (m_stopStack->currentIndex() == int(StopPage::force))
        forceStop();
    else if (!m_isKilling)
        sendStop(StopSignal::terminate);
}

void ProcessItem::forceStop()
{
    if (!m_stopStack || m_stopStack->currentIndex() != int(StopPage::force))
        return;
    sendStop(StopSignal::kill);
}

void ProcessItem::sendStop(StopSignal signal)
{
    m_isKilling = true;
    showStopPage(StopPage::spinner);
    if (m_machine) {
        // Checked and sent on the machine, through its connection.
        m_machine->stop(m_port, signal, [row = QPointer(this)](StopResult result, const QString& error) {
            if (!row)
                return;
            if (error.isEmpty()) {
                row->stopEnded(result);
                return;
            }
            row->m_isKilling = false;
            row->showStopPage(StopPage::stop);
            row->m_failure->showFailure(error);
        });
        return;
    }
    const auto stop = m_services->stopProcess;
    if (!stop)
        return;
    // The stop has a thread of its own: readings stuck in the shared pool must not hold it back.
    AsyncTask::runOnOwnThreadThenCallback(
        this, [stop, listed = m_port.identity(), signal] { return stop(listed, signal); },
        [this](StopResult result) { stopEnded(result); });
}

void ProcessItem::stopEnded(StopResult result)
{
    switch (result) {
    case StopResult::stopped:
        // The spinner stays until a listing no longer holds the port.
        break;
    case StopResult::stillListening:
        showStopPage(StopPage::force);
        return;
    case StopResult::notPermitted:
        showStopPage(StopPage::notPermitted);
        return;
    case StopResult::notListed:
        // The pid went to another process: nothing was sent, and a scan shows what listens now.
        m_isKilling = false;
        showStopPage(StopPage::stop);
        break;
    }
    if (m_services->refresher)
        m_services->refresher->checkPorts();
}

void ProcessItem::openPage()
{
    if (m_small || !m_services->desktop)
        return;
    if (m_machine)
        openForwardedPage();
    else
        openPortPage(m_port, *m_services->desktop, m_failure->startAction());
}

void ProcessItem::openForwardedPage()
{
    if (!m_port.htmlData() || !m_machine)
        return;
    const auto report = m_failure->startAction();
    const auto openAt = [row = QPointer(this), report](int localPort) {
        if (row)
            row->m_services->desktop->openUrl(
                PageProbe::pageAddress(row->m_port.htmlData()->scheme, QString::number(localPort)), report);
    };
    if (m_forwardedPort != 0) {
        openAt(m_forwardedPort);
        return;
    }
    m_machine->connection().forwardLocal(
        m_port.port().toInt(), 0,
        [row = QPointer(this), report, openAt](int localPort, const QString& error) {
            if (!row)
                return;
            if (localPort == 0) {
                report(error);
                return;
            }
            row->showForward(localPort);
            openAt(localPort);
        });
}

void ProcessItem::takeForwardFrom(ProcessItem& old)
{
    if (old.m_forwardedPort == 0 || m_forwardedPort != 0 || old.m_machine != m_machine)
        return;
    showForward(old.m_forwardedPort);
    old.m_forwardedPort = 0;
}

void ProcessItem::showForward(int localPort)
{
    m_forwardedPort = localPort;
    if (!m_forward)
        return;
    m_forward->setText(tr("Forwarded to localhost:%1").arg(localPort));
    m_forward->show();
}

void ProcessItem::copyCommand()
{
    if (const auto info = m_port.processInfo())
        copyToClipboard(info->cmd);
}

void ProcessItem::showDetails()
{
    m_popover->openPopup();
}

void ProcessItem::xrayModeChanged(bool on)
{
    const int side = on ? kXrayIconSide : kIconSide;
    m_processIcon->setSide(side);
    if (m_appTypeIcon)
        m_appTypeIcon->setSide(side);
    updateStatsLine();
}

void ProcessItem::setStats(const std::optional<ProcessStats>& stats)
{
    // The same figures again change no text, so the row is not laid out anew.
    const bool same = m_stats == stats;
    m_stats = stats;
    if (stats && !same) {
        m_cpu->setText(stats->cpu + QLatin1Char('%'));
        m_memory->setText(stats->memMB);
        m_branch->setFullText(stats->gitBranch);
        // A hovered row is drawn enlarged, beyond the labels' own areas, which are all a label
        // repaints: the whole row is drawn again, or the old figures show round the new ones.
        update();
    }
    updateStatsLine();
}

void ProcessItem::updateStatsLine()
{
    const bool shown =
        m_port.processName() != QLatin1String("ssh") && m_services->state->xrayMode() && m_stats.has_value();
    m_statsLine->setVisible(shown);
    // A screen reader reads the row as one item, with what the eye reads along it.
    const QString title = m_port.htmlData() ? m_port.htmlData()->title : tr("No answer");
    QString name = tr("%1, port %2, %3").arg(title, m_port.port(), m_port.processName());
    if (shown)
        name = tr("%1, CPU %2, memory %3, branch %4")
                   .arg(name, m_cpu->text(), m_memory->text(), m_stats->gitBranch);
    setAccessibleName(name);
}

void ProcessItem::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void ProcessItem::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        openPage();
    QWidget::mouseReleaseEvent(event);
}

} // namespace tidewell
