#include "gui/quicklaunch/QuickLaunchItem.h"

#include "gui/process/AppTypeIcon.h"
#include "gui/process/ClipboardCopy.h"
#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessIcon.h"
#include "gui/process/ProcessInfoAction.h"
#include "gui/widgets/AccessibleItem.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/FailureLine.h"
#include "gui/widgets/RoundedBox.h"
#include "gui/widgets/RowHoverLook.h"
#include "gui/widgets/StandardWidgets.h"
#include "ports/PortListRefresher.h"
#include "probe/PortPage.h"
#include "quicklaunch/QuickLaunchRelaunch.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "quicklaunch/RunningServer.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

QuickLaunchItem::QuickLaunchItem(QuickLaunchItemPtr item, const AppServices* services, QWidget* parent)
    : QWidget(parent), m_item(std::move(item)), m_services(services)
{
    setObjectName(QStringLiteral("quickLaunchItem"));
    AccessibleItem::give(this, QAccessible::ListItem);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(RowHoverLook::kHorizontalPadding, 0, RowHoverLook::kHorizontalPadding, 0);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    const auto page = m_item->htmlData();
    // A long title is shortened, so that it never pushes the buttons out of the window.
    auto* title = new ElidedLabel(Qt::ElideRight, this);
    title->setObjectName(QStringLiteral("title"));
    title->setFullText(page ? page->title : QString());
    title->setContentsMargins(4, 0, 0, 0);
    QFont titleFont = title->font();
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    column->addWidget(title);

    auto* commandBox = new RoundedBox(10, this);
    commandBox->setObjectName(QStringLiteral("commandBox"));
    auto* boxLayout = new QHBoxLayout(commandBox);
    boxLayout->setContentsMargins(10, 6, 10, 6);
    boxLayout->setSpacing(4);
    const auto info = m_item->processInfo();
    // The row has a fixed height, so a long command is shortened here and shown whole in the
    // details.
    auto* command = new ElidedLabel(Qt::ElideRight, commandBox);
    command->setObjectName(QStringLiteral("command"));
    command->setFullText(info ? info->cmd : QString());
    boxLayout->addWidget(command, 1);
    boxLayout->addWidget(new ProcessIcon(m_item->processName(), QString(), kIconSide, commandBox));
    if (page)
        boxLayout->addWidget(new AppTypeIcon(page->appType, kIconSide, commandBox));
    column->addWidget(commandBox);
    m_failure = new FailureLine(this);
    column->addWidget(m_failure);
    layout->addLayout(column, 1);

    m_runningMark = new QLabel(QStringLiteral("\u25CF"), this);
    m_runningMark->setTextFormat(Qt::PlainText);
    m_runningMark->setObjectName(QStringLiteral("running"));
    m_runningMark->setToolTip(tr("Running"));
    m_runningMark->setAccessibleName(tr("Running"));
    m_runningMark->setStyleSheet(QStringLiteral("color: rgb(52, 199, 89);"));
    layout->addWidget(m_runningMark);
    m_port = new QLabel(this);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setTextFormat(Qt::PlainText);
    layout->addWidget(m_port);

    auto* remove = makeSymbolButton("trash", tr("Delete"), this);
    connect(remove, &QToolButton::clicked, this, &QuickLaunchItem::remove);
    layout->addWidget(remove);
    m_play = makeSymbolButton("play", tr("Start in a terminal"), this);
    m_play->setObjectName(QStringLiteral("play"));
    connect(m_play, &QToolButton::clicked, this, &QuickLaunchItem::relaunch);
    layout->addWidget(m_play);

    m_rowHoverLook = new RowHoverLook(this, 60);
    setToolTip(tr("Enter starts it in a terminal, Ctrl+C copies the command, Delete deletes it, Space "
                  "shows the details"));
    const QuickLaunchItemPtr shown = m_item;
    const AppServices* popoverServices = m_services;
    m_popover = new DelayPopover(
        this, kPopoverDelayMs, [shown] { return shown->htmlData() ? shown->htmlData()->title : QString(); },
        [shown, popoverServices] { return new ProcessInfoAction(shown, true, popoverServices); },
        [this] { return makeDetails(); });

    showRunning(m_services->refresher ? m_services->refresher->sortedListedPorts() : QList<PortData>());
}

void QuickLaunchItem::showRunning(const QList<PortData>& listed)
{
    m_running = runningServerFor(*m_item, listed);
    if (m_running && m_running->port() != m_item->port()) {
        m_item->setPort(m_running->port());
        QuickLaunchStore::rememberPort(*m_item, *m_services->state);
    }
    m_port->setText(m_item->port());
    // The port it last ran on stays, dimmed while nothing runs there.
    m_port->setEnabled(m_running.has_value());
    m_runningMark->setVisible(m_running.has_value());
    m_play->setToolTip(m_running ? tr("Open the running server's page") : tr("Start in a terminal"));
    m_play->setAccessibleName(m_play->toolTip());
    const auto page = m_item->htmlData();
    const auto info = m_item->processInfo();
    const QString title = page ? page->title : m_item->processName();
    const QString command = info ? info->cmd : QString();
    setAccessibleName(m_running ? tr("%1, running on port %2, %3").arg(title, m_item->port(), command)
                                : tr("%1, %2").arg(title, command));
}

QWidget* QuickLaunchItem::makeDetails()
{
    auto* details = new QWidget;
    auto* layout = new QVBoxLayout(details);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ProcessDetailsPanel(*m_item, false));
    if (m_running && m_services->stopProcess) {
        auto* stop = new QPushButton(tr("Stop the running server"), details);
        stop->setObjectName(QStringLiteral("stopRunning"));
        const auto stopProcess = m_services->stopProcess;
        connect(stop, &QPushButton::clicked, stop, [stop, stopProcess, listed = m_running->identity()] {
            stop->setEnabled(false);
            AsyncTask::runOnOwnThreadThenCallback(
                stop, [stopProcess, listed] { return stopProcess(listed, StopSignal::terminate); },
                [](StopResult) {});
        });
        layout->addWidget(stop);
    }
    return details;
}

void QuickLaunchItem::relaunch()
{
    const auto failed = m_failure->startAction();
    // A server that runs already is opened: a second copy would only fail on the same port.
    if (m_running) {
        PortData server = *m_running;
        if (!server.htmlData())
            server.setHtmlData(HTMLData{QString(), AppType::unknown, std::nullopt, HttpScheme::http});
        openPortPage(server, *m_services->desktop, failed);
        return;
    }
    relaunchQuickLaunchItem(*m_item, *m_services->desktop, failed);
}

void QuickLaunchItem::remove()
{
    QuickLaunchStore::removeQuickLaunchItem(*m_item, *m_services->state);
}

void QuickLaunchItem::copyCommand()
{
    if (const auto info = m_item->processInfo())
        copyToClipboard(info->cmd);
}

void QuickLaunchItem::showDetails()
{
    m_popover->openPopup();
}

} // namespace tidewell
