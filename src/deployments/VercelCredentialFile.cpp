#include "deployments/VercelCredentialFile.h"

#include "platform/LogCategories.h"
#include "platform/RegularFile.h"
#include "records/VercelAuth.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStandardPaths>

namespace tidewell {

QString VercelCredentialFile::path(const QString& dataLocation)
{
    const QString base = dataLocation.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                             : dataLocation;
    if (base.isEmpty())
        return {};
    return QDir(base).filePath(QStringLiteral("com.vercel.cli/auth.json"));
}

std::optional<QString> VercelCredentialFile::readVercelToken(const QString& dataLocation)
{
    const QString file = path(dataLocation);
    if (file.isEmpty())
        return std::nullopt;
    const QString prefix = QStringLiteral("Error reading or parsing auth.json: ");
    // The file holds a few short members; anything far larger is not the tool's file.
    const Result<QByteArray> content = RegularFile::read(file, kMaxFileBytes);
    if (!content) {
        qCWarning(lcDeployments).noquote()
            << (prefix + content.error() + QStringLiteral(" (") + file + QLatin1Char(')'));
        return std::nullopt;
    }
    // Said of the file, not of a reply as the decoder would.
    QJsonParseError syntax{};
    QJsonDocument::fromJson(content.value(), &syntax);
    if (syntax.error != QJsonParseError::NoError) {
        qCWarning(lcDeployments).noquote()
            << (prefix + QStringLiteral("The file is not JSON (%1 at offset %2)")
                             .arg(syntax.errorString())
                             .arg(syntax.offset));
        return std::nullopt;
    }
    const Result<VercelAuth> auth = VercelAuth::fromJson(content.value());
    if (!auth) {
        qCWarning(lcDeployments).noquote() << (prefix + auth.error());
        return std::nullopt;
    }
    return auth->token;
}

} // namespace tidewell
