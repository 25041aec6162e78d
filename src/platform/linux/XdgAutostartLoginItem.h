#pragma once

#include "platform/FileLoginItem.h"

#include <QByteArray>

namespace tidewell {

// The login item as an XDG autostart entry: a desktop entry in the user's autostart folder that
// the desktop session runs at login, and that the desktop's own settings may disable.
class XdgAutostartLoginItem : public FileLoginItem
{
public:
    static inline const QString kFileName = kIdentifier + QStringLiteral(".desktop");

    // The entry lives in `autostartDir` and runs `helperProgram`, an absolute path.
    XdgAutostartLoginItem(QString autostartDir, QString helperProgram);

    // $XDG_CONFIG_HOME/autostart, ~/.config/autostart by default.
    static QString userAutostartDir();
    static QByteArray entryText(const QString& helperProgram);
    // The path as one argument of an Exec line: quoted, and escaped for the quoting and for a
    // string value, in that order, as a desktop reads them back in the other order.
    static QString execArgument(const QString& path);
    // False when the entry's group says Hidden=true or X-GNOME-Autostart-enabled=false.
    static bool isEntryEnabled(const QByteArray& entry);

    QString entryPath() const { return filePath(); }

protected:
    QByteArray fileText(const QString& helperProgram) const override { return entryText(helperProgram); }
    bool isFileEnabled(const QByteArray& text) const override { return isEntryEnabled(text); }
};

} // namespace tidewell
