#include "cli/PortTableFormatter.h"

#include "cli/TextTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace tidewell {

namespace {

QStringList rowFor(const PortData& entry, bool unanswered)
{
    const auto html = entry.htmlData();
    const auto info = entry.processInfo();
    return {entry.port(),
            entry.pid(),
            TextTable::field(entry.processName()),
            html ? TextTable::field(html->title) : QString(),
            unanswered ? PortTableFormatter::tr("no answer")
            : html     ? appTypeText(html->appType)
                       : QString(),
            info ? TextTable::field(info->cwd) : QString(),
            info ? TextTable::field(info->cmd) : QString()};
}

} // namespace

QByteArray PortTableFormatter::table(const QList<PortData>& entries, const QSet<QString>& unanswered)
{
    QList<QStringList> rows{{QStringLiteral("PORT"), QStringLiteral("PID"), QStringLiteral("PROCESS"),
                             QStringLiteral("TITLE"), QStringLiteral("TYPE"), QStringLiteral("DIRECTORY"),
                             QStringLiteral("COMMAND")}};
    for (const PortData& entry : entries)
        rows.append(rowFor(entry, unanswered.contains(entry.portKey())));

    return TextTable::render(rows);
}

QByteArray PortTableFormatter::json(const QList<PortData>& entries, const QSet<QString>& unanswered,
                                    const QHash<QString, QJsonObject>& deployments)
{
    QJsonArray array;
    for (const PortData& entry : entries) {
        QJsonObject object = entry.toJson();
        if (unanswered.contains(entry.portKey()))
            object.insert(QStringLiteral("answered"), false);
        if (const auto deployment = deployments.constFind(entry.portKey()); deployment != deployments.cend())
            object.insert(QStringLiteral("deployment"), *deployment);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace tidewell
