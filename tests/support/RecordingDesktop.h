#pragma once

#include "platform/Desktop.h"

#include <QStringList>

namespace tidewell::test {

// A Desktop that opens nothing and records each request as one line, e.g. "openUrl https://…".
class RecordingDesktop : public Desktop
{
public:
    QStringList calls;

    void openUrl(const QUrl& url) override
    {
        calls.append(QStringLiteral("openUrl ") + QString::fromUtf8(url.toEncoded()));
    }
    void openFolder(const QString& folder) override { calls.append(QStringLiteral("openFolder ") + folder); }
    void openWithApplication(const QString& applicationName, const QString& folder) override
    {
        calls.append(QStringLiteral("open -a ") + applicationName + QLatin1Char(' ') + folder);
    }
    void runInNewTerminal(const QString& folder, const QString& commandLine) override
    {
        calls.append(QStringLiteral("runInNewTerminal ") + folder + QStringLiteral(" && ") + commandLine);
    }
};

} // namespace tidewell::test
