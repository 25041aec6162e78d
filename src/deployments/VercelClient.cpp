#include "deployments/VercelClient.h"

#include <QUrl>

namespace tidewell {

VercelClient::VercelClient(QString apiOrigin, std::optional<QString> token, CurlMulti* session,
                           RequestLimits limits)
    : m_apiOrigin(std::move(apiOrigin)), m_token(std::move(token)), m_session(session), m_limits(limits)
{}

QString VercelClient::projectsAddress(const QString& apiOrigin, const std::optional<QString>& teamId)
{
    QString address = apiOrigin + QStringLiteral("/v9/projects?limit=") + QString::number(kProjectLimit);
    // Encoded, so that an id holding "&" or "#" cannot add a parameter or cut the query short.
    if (teamId)
        address += QStringLiteral("&teamId=") + QString::fromLatin1(QUrl::toPercentEncoding(*teamId));
    return address;
}

QString VercelClient::projectAddress(const QString& apiOrigin, const QString& projectId,
                                     const std::optional<QString>& teamId)
{
    // The id comes from a file in the server's folder: encoded, it cannot reach another path.
    QString address =
        apiOrigin + QStringLiteral("/v9/projects/") + QString::fromLatin1(QUrl::toPercentEncoding(projectId));
    if (teamId)
        address += QStringLiteral("?teamId=") + QString::fromLatin1(QUrl::toPercentEncoding(*teamId));
    return address;
}

template <typename T>
void VercelClient::get(const QString& address, std::function<void(Result<T>)> completion) const
{
    const QString token = m_token.value_or(QString());
    const QMap<QString, QString> headers{
        {QStringLiteral("Content-Type"), QStringLiteral("application/json")},
        {QStringLiteral("Authorization"), QStringLiteral("Bearer ") + token}};
    sendJSONRequest<T>(
        QStringLiteral("GET"), address, QJsonObject(), headers, m_session,
        [token, completion = std::move(completion)](Result<T> result) {
            // A reply may echo what it was sent; the token must not reach a log line or the screen.
            if (!result && !token.isEmpty() && result.error().contains(token)) {
                QString error = result.error();
                error.replace(token, QStringLiteral("<token>"));
                result = Result<T>::failure(error);
            }
            completion(std::move(result));
        },
        m_limits);
}

void VercelClient::fetchUser(std::function<void(Result<UserResponse>)> completion) const
{
    get<UserResponse>(m_apiOrigin + QStringLiteral("/v2/user"), std::move(completion));
}

void VercelClient::fetchTeams(std::function<void(Result<TeamsResponse>)> completion) const
{
    get<TeamsResponse>(m_apiOrigin + QStringLiteral("/v2/teams"), std::move(completion));
}

void VercelClient::fetchProjects(const std::optional<QString>& teamId,
                                 std::function<void(Result<ProjectResponse>)> completion) const
{
    get<ProjectResponse>(projectsAddress(m_apiOrigin, teamId), std::move(completion));
}

void VercelClient::fetchProject(const QString& projectId, const std::optional<QString>& teamId,
                                std::function<void(Result<ProjectObject>)> completion) const
{
    get<ProjectObject>(projectAddress(m_apiOrigin, projectId, teamId), std::move(completion));
}

} // namespace tidewell
