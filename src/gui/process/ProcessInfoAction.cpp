#include "gui/process/ProcessInfoAction.h"

#include "gui/widgets/SmallWidgets.h"
#include "gui/widgets/SymbolIcons.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "quicklaunch/RunningServer.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace tidewell {

ProcessInfoAction::ProcessInfoAction(std::shared_ptr<const PortDataLike> port, bool hideAddToQuickSave,
                                     const AppServices* services, QWidget* parent)
    : QWidget(parent), m_port(std::move(port)), m_services(services)
{
    const auto info = m_port->processInfo();
    if (!info || !m_services->desktop) {
        hide();
        setFixedSize(0, 0);
        return;
    }
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    if (!hideAddToQuickSave) {
        auto* bolt = makeSymbolButton("bolt", tr("Add to quick launch"), this);
        bolt->setObjectName(QStringLiteral("bolt"));
        // Filled once the server is saved, and for a server saved before.
        const auto showSaved = [this, bolt] {
            if (!isSavedAsQuickLaunchItem(*m_port,
                                          QuickLaunchStore::loadQuickLaunchItems(*m_services->state)))
                return;
            bolt->setIcon(SymbolIcons::symbol(QStringLiteral("bolt.fill")));
            bolt->setToolTip(tr("Saved to Quick Launch"));
            bolt->setAccessibleName(bolt->toolTip());
        };
        connect(bolt, &QToolButton::clicked, this, [this, showSaved] {
            if (m_services->addToQuickLaunch &&
                !isSavedAsQuickLaunchItem(*m_port,
                                          QuickLaunchStore::loadQuickLaunchItems(*m_services->state)))
                m_services->addToQuickLaunch(*m_port);
            showSaved();
        });
        if (m_services->state)
            showSaved();
        layout->addWidget(bolt);
    }
    const QString cwd = info->cwd;
    auto* folder = makeSymbolButton("folder", tr("Open folder"), this);
    connect(folder, &QToolButton::clicked, this, [this, cwd] { m_services->desktop->openFolder(cwd); });
    layout->addWidget(folder);

    auto* terminal = makeSymbolButton("terminal", tr("Open in Terminal"), this);
    connect(terminal, &QToolButton::clicked, this,
            [this, cwd] { m_services->desktop->openWithApplication(QStringLiteral("Terminal"), cwd); });
    layout->addWidget(terminal);

    auto* editors = makeSymbolButton("square.and.pencil", tr("Open in editor"), this);
    editors->setPopupMode(QToolButton::InstantPopup);
    editors->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    auto* menu = new QMenu(editors);
    for (const QString& application : {QStringLiteral("Visual Studio Code"), QStringLiteral("Cursor")}) {
        menu->addAction(application, this, [this, application, cwd] {
            m_services->desktop->openWithApplication(application, cwd);
        });
    }
    editors->setMenu(menu);
    layout->addWidget(editors);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    layout->addWidget(line);
}

} // namespace tidewell
