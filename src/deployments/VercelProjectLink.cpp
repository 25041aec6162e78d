#include "deployments/VercelProjectLink.h"

#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace tidewell {

namespace {

// Ids as the service makes them ("prj_...", "team_..."): nothing that could name another path.
bool isPlainId(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]{1,128}$"));
    return plain.match(text).hasMatch();
}

} // namespace

std::optional<VercelProjectLink> VercelProjectLink::parse(const QByteArray& content, const QString& folder)
{
    const QJsonObject object = QJsonDocument::fromJson(content).object();
    const QString projectId = object.value(QStringLiteral("projectId")).toString();
    const QString orgId = object.value(QStringLiteral("orgId")).toString();
    if (!isPlainId(projectId) || !isPlainId(orgId))
        return std::nullopt;
    return VercelProjectLink{projectId, orgId, folder};
}

std::optional<VercelProjectLink> VercelProjectLink::find(const QString& folder, const QString& home)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return std::nullopt;
    const QString homeFolder =
        home.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(home).absoluteFilePath());
    QDir dir(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    for (;;) {
        const QString linkFile = dir.filePath(QStringLiteral(".vercel/project.json"));
        if (QFileInfo::exists(linkFile)) {
            const Result<QByteArray> content = RegularFile::read(linkFile, kMaxFileBytes);
            return content ? parse(content.value(), dir.path()) : std::nullopt;
        }
        if (QFileInfo::exists(dir.filePath(QStringLiteral(".git"))) || dir.path() == homeFolder ||
            !dir.cdUp())
            return std::nullopt;
    }
}

} // namespace tidewell
