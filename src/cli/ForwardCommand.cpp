#include "cli/ForwardCommand.h"

#include "remote/SshConnection.h"

#include <QEventLoop>

namespace tidewell {

ForwardCommand::ForwardCommand(const CommandLineOptions& options) : m_options(options) {}

int ForwardCommand::run(std::FILE* out, std::FILE* err)
{
    const auto target = SshDestination::parseWithPort(m_options.forward);
    if (!target)
        return 2;
    SshConnection connection(target->first);
    QEventLoop loop;
    int localPort = 0;
    QString error;
    connection.forwardLocal(target->second, m_options.localPort, [&](int port, const QString& reason) {
        localPort = port;
        error = reason;
        loop.quit();
    });
    loop.exec();
    if (localPort == 0) {
        std::fprintf(err, "%s: %s\n", qUtf8Printable(target->first.text()), qUtf8Printable(error));
        return 1;
    }
    std::fprintf(out, "127.0.0.1:%d\n", localPort);
    std::fflush(out);
    return 0;
}

} // namespace tidewell
