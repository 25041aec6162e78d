#include "platform/macos/LaunchAgentLoginItem.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

namespace tidewell {

LaunchAgentLoginItem::LaunchAgentLoginItem(QString launchAgentsDir, QString helperProgram)
    : FileLoginItem(std::move(launchAgentsDir), kFileName, std::move(helperProgram))
{}

QString LaunchAgentLoginItem::userLaunchAgentsDir()
{
    return QDir::home().filePath(QStringLiteral("Library/LaunchAgents"));
}

QString LaunchAgentLoginItem::helperInBundle(const QString& mainProgramDir)
{
    return QDir::cleanPath(
        mainProgramDir +
        QStringLiteral("/../Library/LoginItems/TidewellHelper.app/Contents/MacOS/TidewellHelper"));
}

QByteArray LaunchAgentLoginItem::propertyListText(const QString& helperProgram)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                             "<plist version=\"1.0\">\n"
                             "<dict>\n"
                             "\t<key>Label</key>\n"
                             "\t<string>") +
           kIdentifier.toUtf8() +
           QByteArrayLiteral("</string>\n"
                             "\t<key>ProgramArguments</key>\n"
                             "\t<array>\n"
                             "\t\t<string>") +
           helperProgram.toHtmlEscaped().toUtf8() +
           QByteArrayLiteral("</string>\n"
                             "\t</array>\n"
                             "\t<key>RunAtLoad</key>\n"
                             "\t<true/>\n"
                             "</dict>\n"
                             "</plist>\n");
}

bool LaunchAgentLoginItem::isAgentEnabled(const QByteArray& propertyList)
{
    QXmlStreamReader xml(propertyList);
    // Only the top dictionary's own keys count: plist, dict, then its entries at depth 3.
    int depth = 0;
    QString key;
    bool disabled = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement || ++depth != 3)
            continue;
        if (xml.name() == QLatin1String("key")) {
            key = xml.readElementText();
            --depth;
            continue;
        }
        if ((key == QLatin1String("Disabled") && xml.name() == QLatin1String("true")) ||
            (key == QLatin1String("RunAtLoad") && xml.name() == QLatin1String("false")))
            disabled = true;
        key.clear();
    }
    return !xml.hasError() && !disabled;
}

} // namespace tidewell
