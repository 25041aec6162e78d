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
    // When set, every action fails with it.
    QString failure;
    QStringList editors{u"Visual Studio Code"_s, u"Cursor"_s};
    bool hasOpener = true;

    void openUrl(const QUrl& url, Failure onFailure = {}) override
    {
        record(u"openUrl "_s + QString::fromUtf8(url.toEncoded()), onFailure);
    }
    void openFolder(const QString& folder, Failure onFailure = {}) override
    {
        record(u"openFolder "_s + folder, onFailure);
    }
    void openWithApplication(const QString& applicationName, const QString& folder,
                             Failure onFailure = {}) override
    {
        record(u"open -a "_s + applicationName + u' ' + folder, onFailure);
    }
    void runInNewTerminal(const QString& folder, const QString& commandLine, Failure onFailure = {}) override
    {
        record(u"runInNewTerminal "_s + folder + u" && "_s + commandLine, onFailure);
    }
    QStringList installedEditors() override { return editors; }
    bool hasOpenerFor(const QString&) override { return hasOpener; }

private:
    void record(const QString& call, const Failure& onFailure)
    {
        calls.append(call);
        if (!failure.isEmpty() && onFailure)
            onFailure(failure);
    }
};

} // namespace tidewell::test
