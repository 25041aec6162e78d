#include "platform/linux/ProgramLookup.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace tidewell {

ProgramLookup::ProgramLookup(QProcessEnvironment environment) : m_environment(std::move(environment)) {}

QString ProgramLookup::findExecutable(const QString& nameOrPath) const
{
    if (nameOrPath.isEmpty())
        return {};
    if (nameOrPath.contains(QLatin1Char('/'))) {
        const QFileInfo file(nameOrPath);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }
    const QStringList folders = value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    // QStandardPaths searches our own PATH when given no folders; an empty PATH finds nothing.
    if (folders.isEmpty())
        return {};
    return QStandardPaths::findExecutable(nameOrPath, folders);
}

QString ProgramLookup::value(const QString& name) const
{
    return m_environment.value(name);
}

} // namespace tidewell
