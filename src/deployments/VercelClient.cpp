#include "deployments/VercelClient.h"

#include "state/AsyncTask.h"

#include <QThreadPool>
#include <QUrl>

namespace tidewell {

namespace {

// A reply may echo what it was sent; the token must not reach a log line or the screen.
template <typename T> Result<T> withoutToken(Result<T> result, const QString& token)
{
    if (result || token.isEmpty() || !result.error().contains(token))
        return result;
    QString error = result.error();
    error.replace(token, QStringLiteral("<token>"));
    return Result<T>::failure(error);
}

} // namespace

VercelClient::VercelClient(QString apiOrigin, std::optional<QString> token, CurlMulti* session,
                           RequestLimits limits)
    : m_apiOrigin(std::move(apiOrigin)), m_token(std::move(token)), m_session(session), m_limits(limits)
{
    m_limits.followRedirects = false;
}

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
void VercelClient::get(const QString& address, std::function<Result<T>(const QByteArray&)> decode,
                       std::function<void(Result<T>)> completion) const
{
    const QString token = m_token.value_or(QString());
    const QMap<QString, QString> headers{
        {QStringLiteral("Content-Type"), QStringLiteral("application/json")},
        {QStringLiteral("Authorization"), QStringLiteral("Bearer ") + token}};
    sendRequest(m_session, QStringLiteral("GET"), address, QJsonObject(), headers, m_limits,
                [session = m_session, token, decode = std::move(decode),
                 completion = std::move(completion)](const Result<QByteArray>& reply) mutable {
                    if (!reply) {
                        completion(withoutToken(Result<T>::failure(reply.error()), token));
                        return;
                    }
                    // A reply of up to the body cap takes a while to parse: never on the interface thread.
                    AsyncTask::runThenCallback(
                        QThreadPool::globalInstance(), session,
                        [decode = std::move(decode), body = reply.value()] { return decode(body); },
                        [token, completion = std::move(completion)](const Result<T>& decoded) {
                            completion(withoutToken(decoded, token));
                        });
                });
}

void VercelClient::fetchUser(std::function<void(Result<UserResponse>)> completion) const
{
    get<UserResponse>(
        m_apiOrigin + QStringLiteral("/v2/user"),
        [](const QByteArray& body) { return UserResponse::fromJson(body); }, std::move(completion));
}

void VercelClient::fetchTeams(std::function<void(Result<TeamsResponse>)> completion) const
{
    get<TeamsResponse>(
        m_apiOrigin + QStringLiteral("/v2/teams"),
        [](const QByteArray& body) { return TeamsResponse::fromJson(body, kTeamPageSize); },
        std::move(completion));
}

void VercelClient::fetchProjects(const std::optional<QString>& teamId,
                                 std::function<void(Result<ProjectResponse>)> completion) const
{
    get<ProjectResponse>(
        projectsAddress(m_apiOrigin, teamId),
        [](const QByteArray& body) { return ProjectResponse::fromJson(body, kProjectLimit); },
        std::move(completion));
}

void VercelClient::fetchProject(const QString& projectId, const std::optional<QString>& teamId,
                                std::function<void(Result<ProjectObject>)> completion) const
{
    get<ProjectObject>(
        projectAddress(m_apiOrigin, projectId, teamId),
        [](const QByteArray& body) { return ProjectObject::fromJson(body); }, std::move(completion));
}

} // namespace tidewell
