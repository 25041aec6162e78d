#include "remote/RemoteMachineList.h"

#include "platform/RegularFile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace tidewell {

QList<RemoteMachineList::Machine> RemoteMachineList::fromJson(const QString& json)
{
    QList<Machine> machines;
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    for (const QJsonValue& value : array) {
        const QString destination = value[QLatin1String("destination")].toString();
        const bool known = std::any_of(machines.cbegin(), machines.cend(), [&](const Machine& machine) {
            return machine.destination == destination;
        });
        if (!SshDestination::parse(destination) || known)
            continue;
        machines.append({destination, value[QLatin1String("enabled")].toBool(true)});
    }
    return machines;
}

QString RemoteMachineList::toJson(const QList<Machine>& machines)
{
    QJsonArray array;
    for (const Machine& machine : machines)
        array.append(QJsonObject{{QStringLiteral("destination"), machine.destination},
                                 {QStringLiteral("enabled"), machine.enabled}});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QStringList RemoteMachineList::configHosts(const QByteArray& configText)
{
    static const QRegularExpression hostLine(QStringLiteral("^\\s*Host(?:\\s*=\\s*|\\s+)(.*)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList hosts;
    for (const QByteArray& line : configText.split('\n')) {
        const QRegularExpressionMatch match = hostLine.match(QString::fromUtf8(line));
        if (!match.hasMatch())
            continue;
        for (const QString& name :
             match.captured(1).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
            if (name.startsWith(QLatin1Char('#')))
                break;
            if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?')) ||
                name.contains(QLatin1Char('!')) || hosts.contains(name) || !SshDestination::parse(name))
                continue;
            hosts.append(name);
        }
    }
    return hosts;
}

QStringList RemoteMachineList::userConfigHosts()
{
    const auto text = RegularFile::read(QDir::homePath() + QStringLiteral("/.ssh/config"), 1024 * 1024);
    return text ? configHosts(text.value()) : QStringList();
}

} // namespace tidewell
