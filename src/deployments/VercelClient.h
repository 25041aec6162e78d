#pragma once

#include "net/JsonRequest.h"
#include "records/ProjectResponse.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"

#include <QString>

#include <functional>
#include <optional>

namespace tidewell {

// The reads of the Vercel REST API: the signed-in user, the user's teams, and the projects of the
// user or of a team with their latest deployments, the first few or one by its id. Each request returns at
// once and hands one outcome to its completion on the interface thread; the HTTP status is not looked at, so
// a refused token arrives as a reply that does not decode. No error text ever holds the token, and no
// redirect is followed, so the token goes to the API's origin alone: a redirect is a failure. Of a
// reply, no more than was asked for is decoded or handed on, whatever its list holds.
class VercelClient
{
public:
    static constexpr int kProjectLimit = 4;
    // The teams request asks for the service's first page, which holds this many at most.
    static constexpr int kTeamPageSize = 20;
    // What the user is told when a request fails, and when there is no token to send.
    static inline const QString kFailureText = QStringLiteral("Failed to fetch, please check your network.");
    static inline const QString kNoTokenText =
        QStringLiteral("Vercel integration depends on the local vercel token, setup with `vercel login` in "
                       "your command line");

    // `token` absent still sends requests, with an empty bearer, which the service refuses.
    VercelClient(QString apiOrigin, std::optional<QString> token, CurlMulti* session = sharedNetworkSession(),
                 RequestLimits limits = {});

    void fetchUser(std::function<void(Result<UserResponse>)> completion) const;
    void fetchTeams(std::function<void(Result<TeamsResponse>)> completion) const;
    // `teamId` absent asks for the personal account's projects.
    void fetchProjects(const std::optional<QString>& teamId,
                       std::function<void(Result<ProjectResponse>)> completion) const;
    // One project by its id, with its latest deployments, in the personal account or the team.
    void fetchProject(const QString& projectId, const std::optional<QString>& teamId,
                      std::function<void(Result<ProjectObject>)> completion) const;

    // "/v9/projects?limit=4" after the origin, then "&teamId=" and the id encoded as one query value.
    static QString projectsAddress(const QString& apiOrigin, const std::optional<QString>& teamId);
    // "/v9/projects/" and the id as one path segment, then "?teamId=" and the team when there is one.
    static QString projectAddress(const QString& apiOrigin, const QString& projectId,
                                  const std::optional<QString>& teamId);

private:
    template <typename T>
    void get(const QString& address, std::function<Result<T>(const QByteArray&)> decode,
             std::function<void(Result<T>)> completion) const;

    QString m_apiOrigin;
    std::optional<QString> m_token;
    CurlMulti* m_session;
    RequestLimits m_limits;
};

} // namespace tidewell
