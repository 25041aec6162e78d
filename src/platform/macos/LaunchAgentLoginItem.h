#pragma once

#include "platform/FileLoginItem.h"

#include <QByteArray>

namespace tidewell {

// The login item as a per-user launch agent: a property list in ~/Library/LaunchAgents that
// launchd runs at login. Plain files, so it builds and is tested on every host.
class LaunchAgentLoginItem : public FileLoginItem
{
public:
    static inline const QString kFileName = kIdentifier + QStringLiteral(".plist");

    // The property list lives in `launchAgentsDir` and runs `helperProgram`, an absolute path.
    LaunchAgentLoginItem(QString launchAgentsDir, QString helperProgram);

    static QString userLaunchAgentsDir();
    // The helper's executable inside the main bundle whose executable is in `mainProgramDir`
    // (Tidewell.app/Contents/MacOS).
    static QString helperInBundle(const QString& mainProgramDir);
    static QByteArray propertyListText(const QString& helperProgram);
    // False for a list that does not parse, or that says Disabled or not RunAtLoad.
    static bool isAgentEnabled(const QByteArray& propertyList);

    QString propertyListPath() const { return filePath(); }

protected:
    QByteArray fileText(const QString& helperProgram) const override
    {
        return propertyListText(helperProgram);
    }
    bool isFileEnabled(const QByteArray& text) const override { return isAgentEnabled(text); }
};

} // namespace tidewell
