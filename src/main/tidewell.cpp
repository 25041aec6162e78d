#include "app/AppWindow.h"
#include "app/CommandLineOptions.h"
#include "app/ListCommand.h"
#include "platform/Host.h"

#include <QApplication>
#include <QCoreApplication>

using namespace tidewell;

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Tidewell"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineOptions options = CommandLineOptions::parse(arguments);
    if (options.exitNow)
        return options.exitCode;

    if (options.list) {
        QCoreApplication app(argc, argv);
        return ListCommand(options, Host::create()).run();
    }

    QApplication app(argc, argv);
    AppWindow window;
    window.show();
    return app.exec();
}
