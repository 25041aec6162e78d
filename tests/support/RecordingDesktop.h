#pragma once

#include "platform/Desktop.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace tidewell::test {

// A Desktop that opens nothing and records each request as one line, e.g. "openUrl https://…".
class RecordingDesktop : public Desktop
{
public:
    QStringList calls;

    void openUrl(const QUrl& url) override
    {
        calls.append(u"openUrl "_s + QString::fromUtf8(url.toEncoded()));
    }
    void openFolder(const QString& folder) override { calls.append(u"openFolder "_s + folder); }
    void openWithApplication(const QString& applicationName, const QString& folder) override
    {
        calls.append(u"open -a "_s + applicationName + u' ' + folder);
    }
    void runInNewTerminal(const QString& folder, const QString& commandLine) override
    {
        calls.append(u"runInNewTerminal "_s + folder + u" && "_s + commandLine);
    }
};

} // namespace tidewell::test
