#include "quicklaunch/QuickLaunchRelaunch.h"

#include "platform/Desktop.h"
#include "platform/commands/ShellQuoting.h"

namespace tidewell {

void relaunchQuickLaunchItem(const QuickLaunchItemData& item, Desktop& desktop,
                             std::function<void(const QString&)> onFailure)
{
    const auto info = item.processInfo();
    if (!info) {
        desktop.runInNewTerminal(QString(), QString(), std::move(onFailure));
        return;
    }
    // The saved arguments run exactly as they were started; without them the command text is
    // run as typed, for the shell to read.
    QString commandLine = info->cmd;
    if (!info->arguments.isEmpty()) {
        QStringList words;
        for (const QString& argument : info->arguments)
            words.append(shellQuoted(argument));
        commandLine = words.join(QLatin1Char(' '));
    }
    desktop.runInNewTerminal(info->cwd, commandLine, std::move(onFailure));
}

} // namespace tidewell
