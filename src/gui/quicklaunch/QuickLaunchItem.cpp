#include "gui/quicklaunch/QuickLaunchItem.h"

#include "gui/process/AppTypeIcon.h"
#include "gui/process/ClipboardCopy.h"
#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessIcon.h"
#include "gui/process/ProcessInfoAction.h"
#include "gui/widgets/CursorModifier.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/RoundedBox.h"
#include "gui/widgets/SmallWidgets.h"
#include "quicklaunch/QuickLaunchRelaunch.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "state/AppState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

QuickLaunchItem::QuickLaunchItem(QuickLaunchItemPtr item, const AppServices* services, QWidget* parent)
    : QWidget(parent), m_item(std::move(item)), m_services(services)
{
    setObjectName(QStringLiteral("quickLaunchItem"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(CursorModifier::kHorizontalPadding, 0, CursorModifier::kHorizontalPadding, 0);

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
    layout->addLayout(column, 1);

    auto* remove = makeSymbolButton("trash", tr("Delete"), this);
    connect(remove, &QToolButton::clicked, this, &QuickLaunchItem::remove);
    layout->addWidget(remove);
    auto* play = makeSymbolButton("play", tr("Start in a terminal"), this);
    connect(play, &QToolButton::clicked, this, &QuickLaunchItem::relaunch);
    layout->addWidget(play);

    m_cursorModifier = new CursorModifier(this, 60);
    setToolTip(tr("Enter starts it in a terminal, Ctrl+C copies the command, Delete deletes it, Space "
                  "shows the details"));
    const QuickLaunchItemPtr shown = m_item;
    const AppServices* popoverServices = m_services;
    m_popover = new DelayPopover(
        this, kPopoverDelayMs, [shown] { return shown->htmlData() ? shown->htmlData()->title : QString(); },
        [shown, popoverServices] { return new ProcessInfoAction(shown, true, popoverServices); },
        [shown] { return new ProcessDetailsPanel(*shown, false); });
}

void QuickLaunchItem::relaunch()
{
    relaunchQuickLaunchItem(*m_item, *m_services->desktop);
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
