#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tidewell {

// The aligned text tables the command line prints: each column as wide as its widest cell, two
// spaces between columns, trailing blanks cut, one line per row whatever its cells hold.
class TextTable
{
public:
    // The first row is the header.
    static QByteArray render(const QList<QStringList>& rows);
    // Control characters become spaces, so that a field never breaks its line.
    static QString oneLine(QString text);
};

} // namespace tidewell
