#include "deployments/VercelCredentialFile.h"

#include "records/VercelAuth.h"

#include <QDir>
#include <QFile>
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

std::optional<QString> VercelCredentialFile::readVercelToken(const std::function<void(const QString&)>& log,
                                                             const QString& dataLocation)
{
    const QString file = path(dataLocation);
    if (file.isEmpty())
        return std::nullopt;
    const QString prefix = QStringLiteral("Error reading or parsing auth.json: ");
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        log(prefix + input.errorString() + QStringLiteral(" (") + file + QLatin1Char(')'));
        return std::nullopt;
    }
    // The file holds a few short members; anything far larger is not the tool's file.
    const Result<VercelAuth> auth = VercelAuth::fromJson(input.read(kMaxFileBytes));
    if (!auth) {
        log(prefix + auth.error());
        return std::nullopt;
    }
    return auth->token;
}

} // namespace tidewell
