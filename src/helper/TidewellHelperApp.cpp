#include "helper/TidewellHelperApp.h"

#include "platform/LogCategories.h"
#include "state/SingleInstance.h"

#include <QLocalSocket>

namespace tidewell {

TidewellHelperApp::TidewellHelperApp(QString serverName, std::unique_ptr<MainProgramLauncher> launcher)
    : m_serverName(std::move(serverName)), m_launcher(std::move(launcher))
{}

bool TidewellHelperApp::isMainProgramRunning(const QString& serverName)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    const bool answered = socket.waitForConnected(SingleInstance::kConnectTimeoutMs);
    // Closed without a word, so the running Tidewell does not open its window.
    socket.abort();
    return answered;
}

int TidewellHelperApp::run()
{
    if (isMainProgramRunning(m_serverName))
        return 0;
    const MainProgramLauncher::Launch launched = m_launcher->launch();
    if (!launched) {
        qCWarning(lcApp).noquote() << (QStringLiteral("Failed to launch application: ") + launched.error());
        return 1;
    }
    return 0;
}

} // namespace tidewell
