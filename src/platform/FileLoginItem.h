#pragma once

#include "platform/LoginItemService.h"

#include <QByteArray>
#include <QString>

namespace tidewell {

// A login item that is one file in a folder the session reads at login (an XDG autostart entry, a
// launch agent): it runs the helper program, is written in one step, and counts as registered while
// the file is there and its format does not say it is switched off. Each format says how its file
// reads.
class FileLoginItem : public LoginItemService
{
public:
    // The file `fileName` lives in `folder` and runs `helperProgram`, an absolute path.
    FileLoginItem(QString folder, QString fileName, QString helperProgram);

    // True when `program` is an executable file.
    static bool isProgram(const QString& program);

    QString filePath() const;

    int status() const override;
    Change registerLoginItem() override;
    Change unregisterLoginItem() override;

protected:
    // The file's whole text, running `helperProgram`.
    virtual QByteArray fileText(const QString& helperProgram) const = 0;
    // False when the file's own settings switch the item off.
    virtual bool isFileEnabled(const QByteArray& text) const = 0;

private:
    QString m_folder;
    QString m_fileName;
    QString m_helperProgram;
};

} // namespace tidewell
