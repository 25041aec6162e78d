#include "gui/process/ProcessInfoAction.h"

#include "gui/widgets/FailureLine.h"
#include "gui/widgets/StandardWidgets.h"
#include "gui/widgets/SymbolIcons.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "quicklaunch/RunningServer.h"
#include "remote/RemoteMachine.h"
#include "state/AppState.h"

#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

ProcessInfoAction::ProcessInfoAction(std::shared_ptr<const PortDataLike> port, bool hideAddToQuickSave,
                                     const AppServices* services, RemoteMachine* machine, QWidget* parent)
    : QWidget(parent), m_port(std::move(port)), m_services(services)
{
    const auto info = m_port->processInfo();
    if (!info || !m_services->desktop) {
        hide();
        setFixedSize(0, 0);
        return;
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    column->addLayout(layout);
    auto* failure = new FailureLine(this);
    column->addWidget(failure);
    // Each action clears the last one's failure and shows its own below the buttons.
    const auto reported = [failure] { return failure->startAction(); };

    if (machine) {
        auto* terminal = makeSymbolButton("terminal", tr("Open in Terminal"), this);
        terminal->setObjectName(QStringLiteral("terminal"));
        connect(terminal, &QToolButton::clicked, this,
                [this, machine = QPointer(machine), cwd = info->cwd, reported] {
                    if (machine)
                        m_services->desktop->runInNewTerminal(QDir::homePath(), machine->terminalCommand(cwd),
                                                              reported());
                });
        layout->addWidget(terminal);
        return;
    }
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
        connect(bolt, &QToolButton::clicked, this, [this, showSaved, reported] {
            const auto report = reported();
            if (m_services->addToQuickLaunch &&
                !isSavedAsQuickLaunchItem(*m_port,
                                          QuickLaunchStore::loadQuickLaunchItems(*m_services->state))) {
                if (const QString reason = m_services->addToQuickLaunch(*m_port); !reason.isEmpty())
                    report(reason);
            }
            showSaved();
        });
        if (m_services->state)
            showSaved();
        layout->addWidget(bolt);
    }
    const QString cwd = info->cwd;
    auto* folder = makeSymbolButton("folder", tr("Open folder"), this);
    connect(folder, &QToolButton::clicked, this,
            [this, cwd, reported] { m_services->desktop->openFolder(cwd, reported()); });
    layout->addWidget(folder);

    auto* terminal = makeSymbolButton("terminal", tr("Open in Terminal"), this);
    connect(terminal, &QToolButton::clicked, this, [this, cwd, reported] {
        m_services->desktop->openWithApplication(QStringLiteral("Terminal"), cwd, reported());
    });
    layout->addWidget(terminal);

    auto* editors = makeSymbolButton("square.and.pencil", tr("Open in editor"), this);
    editors->setPopupMode(QToolButton::InstantPopup);
    editors->setStyleSheet(editors->styleSheet() +
                           QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    auto* menu = new QMenu(editors);
    // The editors found when the window opened; both until that look has answered.
    const QStringList installed =
        m_services->state && m_services->state->installedEditors()
            ? *m_services->state->installedEditors()
            : QStringList{QStringLiteral("Visual Studio Code"), QStringLiteral("Cursor")};
    for (const QString& application : installed) {
        menu->addAction(application, this, [this, application, cwd, reported] {
            m_services->desktop->openWithApplication(application, cwd, reported());
        });
    }
    if (installed.isEmpty())
        menu->addAction(tr("No editor found"))->setEnabled(false);
    editors->setMenu(menu);
    layout->addWidget(editors);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    layout->addWidget(line);
}

} // namespace tidewell
