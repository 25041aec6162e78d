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
    // A field of outside text as a table shows it: on one line (DisplayText::oneLine) and cut to
    // kMaxFieldLength characters, the last of them an ellipsis.
    static QString field(const QString& text);
};

} // namespace tidewell
