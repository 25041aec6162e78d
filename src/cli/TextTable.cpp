#include "cli/TextTable.h"

#include "records/DisplayText.h"

namespace tidewell {

QString TextTable::field(const QString& text)
{
    QString line = DisplayText::oneLine(text);
    if (line.size() <= kMaxFieldLength)
        return line;
    qsizetype keep = kMaxFieldLength - 1;
    // Never half a surrogate pair.
    if (line.at(keep - 1).isHighSurrogate())
        --keep;
    line.truncate(keep);
    return line + QChar(0x2026);
}

QByteArray TextTable::render(const QList<QStringList>& rows)
{
    QList<qsizetype> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const bool last = column == row.size() - 1;
            line += last ? row[column] : row[column].leftJustified(widths[column]) + QStringLiteral("  ");
        }
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text.toUtf8();
}

} // namespace tidewell
