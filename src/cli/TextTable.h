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
    // Longer fields are cut, so that one long title cannot widen every line of the table.
    static constexpr qsizetype kMaxFieldLength = 60;

    // The first row is the header.
    static QByteArray render(const QList<QStringList>& rows);
    // Control characters become spaces, so that a field never breaks its line; bidirectional
    // controls and line or paragraph separators are dropped, so that a field cannot reorder or
    // break the columns after it.
    static QString oneLine(QString text);
    // A field of outside text as a table shows it: on one line and cut to kMaxFieldLength
    // characters, the last of them an ellipsis.
    static QString field(const QString& text);
};

} // namespace tidewell
