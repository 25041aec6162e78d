#pragma once

#include "net/JsonRequest.h"
#include "update/CheckForUpdateResult.h"

#include <QString>

#include <functional>

namespace tidewell {

// The update service as this build reaches it: where it is, which version the program reports, the
// session and limits its requests use, and the folder its downloads go to. Checks run on the
// session's thread and answer there.
class UpdateService
{
public:
    static inline const QString kNotSetUp = QStringLiteral("Update checks are not set up in this build.");
    static inline const QString kCheckFailed =
        QStringLiteral("Failed to check for update, please check your network.");
    static inline const QString kCheckPath = QStringLiteral("/api/check-update");

    // `baseUrl` empty means the build has no service; `currentVersion` empty is reported as "⚠️";
    // `downloadFolder` empty means the user's own download folder.
    UpdateService(QString baseUrl, QString currentVersion, CurlMulti* session = sharedNetworkSession(),
                  RequestLimits limits = {}, QString downloadFolder = {});

    // The build setting TIDEWELL_UPDATE_URL; the environment variable of that name, when set at
    // all, wins (so an empty one turns checks off).
    static QString configuredBaseUrl();
    // The service this build is set up with, reporting `currentVersion`.
    static UpdateService forThisBuild(const QString& currentVersion);

    bool isSetUp() const { return !m_baseUrl.isEmpty(); }
    QString currentVersion() const;
    CurlMulti* session() const { return m_session; }
    const RequestLimits& limits() const { return m_limits; }
    QString downloadFolder() const;

    // One POST of {"current_version": …} to the check address; the decoded answer or the failure
    // reaches `completion` later, exactly once. Must not be called when the service is not set up.
    void check(std::function<void(Result<CheckForUpdateResult>)> completion) const;

private:
    QString m_baseUrl;
    QString m_currentVersion;
    CurlMulti* m_session;
    RequestLimits m_limits;
    QString m_downloadFolder;
};

} // namespace tidewell
