#include "cli/PortTableFormatter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace tidewell {

namespace {

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return text;
}

QStringList rowFor(const PortData& entry, bool unanswered)
{
    const auto html = entry.htmlData();
    const auto info = entry.processInfo();
    return {entry.port(),
            entry.pid(),
            entry.processName(),
            html ? oneLine(html->title) : QString(),
            unanswered ? QStringLiteral("no answer")
            : html     ? appTypeText(html->appType)
                       : QString(),
            info ? oneLine(info->cwd) : QString(),
            info ? oneLine(info->cmd) : QString()};
}

} // namespace

QByteArray PortTableFormatter::table(const QList<PortData>& entries, const QSet<QString>& unanswered)
{
    QList<QStringList> rows{{QStringLiteral("PORT"), QStringLiteral("PID"), QStringLiteral("PROCESS"),
                             QStringLiteral("TITLE"), QStringLiteral("TYPE"), QStringLiteral("DIRECTORY"),
                             QStringLiteral("COMMAND")}};
    for (const PortData& entry : entries)
        rows.append(rowFor(entry, unanswered.contains(entry.portKey())));

    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList& row : std::as_const(rows)) {
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    QString text;
    for (const QStringList& row : std::as_const(rows)) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const bool last = column == row.size() - 1;
            line += last ? row[column] : row[column].leftJustified(widths[column]) + QStringLiteral("  ");
        }
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray PortTableFormatter::json(const QList<PortData>& entries, const QSet<QString>& unanswered)
{
    QJsonArray array;
    for (const PortData& entry : entries) {
        QJsonObject object = entry.toJson();
        if (unanswered.contains(entry.portKey()))
            object.insert(QStringLiteral("answered"), false);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace tidewell
