#include "update/UpdateService.h"

#include "platform/DownloadFolder.h"

#include <QJsonObject>
#include <QtGlobal>

namespace tidewell {

UpdateService::UpdateService(QString baseUrl, QString currentVersion, CurlMulti* session,
                             RequestLimits limits, QString downloadFolder)
    : m_baseUrl(std::move(baseUrl)), m_currentVersion(std::move(currentVersion)), m_session(session),
      m_limits(limits), m_downloadFolder(std::move(downloadFolder))
{
    // "https://updates.example/" and "https://updates.example" name the same service.
    while (m_baseUrl.endsWith(QLatin1Char('/')))
        m_baseUrl.chop(1);
}

QString UpdateService::configuredBaseUrl()
{
    if (qEnvironmentVariableIsSet("TIDEWELL_UPDATE_URL"))
        return qEnvironmentVariable("TIDEWELL_UPDATE_URL").trimmed();
    return QStringLiteral(TIDEWELL_UPDATE_URL).trimmed();
}

UpdateService UpdateService::forThisBuild(const QString& currentVersion)
{
    return UpdateService(configuredBaseUrl(), currentVersion);
}

QString UpdateService::currentVersion() const
{
    return m_currentVersion.isEmpty() ? QStringLiteral("⚠️") : m_currentVersion;
}

QString UpdateService::downloadFolder() const
{
    return m_downloadFolder.isEmpty() ? DownloadFolder::userFolder() : m_downloadFolder;
}

void UpdateService::check(std::function<void(Result<CheckForUpdateResult>)> completion) const
{
    sendJSONRequest<CheckForUpdateResult>(QStringLiteral("POST"), m_baseUrl + kCheckPath,
                                          QJsonObject{{QStringLiteral("current_version"), currentVersion()}},
                                          {}, m_session, std::move(completion), m_limits);
}

} // namespace tidewell
