#include "platform/linux/XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <optional>

namespace tidewell {

namespace {

// Desktop entry booleans; GLib also reads 1 and 0.
std::optional<bool> entryBoolean(const QByteArray& value)
{
    if (value == "true" || value == "1")
        return true;
    if (value == "false" || value == "0")
        return false;
    return std::nullopt;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString autostartDir, QString helperProgram)
    : FileLoginItem(std::move(autostartDir), kFileName, std::move(helperProgram))
{}

QString XdgAutostartLoginItem::userAutostartDir()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart"));
}

QString XdgAutostartLoginItem::execArgument(const QString& path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    // A percent sign would start a field code.
    quoted.replace(u'%', QStringLiteral("%%"));

    QString escaped;
    for (const QChar c : quoted) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QByteArray XdgAutostartLoginItem::entryText(const QString& helperProgram)
{
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Tidewell\n"
                             "Comment=Starts Tidewell at login\n"
                             "Exec=") +
           execArgument(helperProgram).toUtf8() +
           QByteArrayLiteral("\n"
                             "Icon=tidewell\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n");
}

bool XdgAutostartLoginItem::isEntryEnabled(const QByteArray& entry)
{
    bool inMainGroup = false;
    for (const QByteArray& rawLine : entry.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || line.startsWith('#') || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const std::optional<bool> value = entryBoolean(line.mid(equals + 1).trimmed());
        if ((key == "Hidden" && value == true) || (key == "X-GNOME-Autostart-enabled" && value == false))
            return false;
    }
    return true;
}

} // namespace tidewell
