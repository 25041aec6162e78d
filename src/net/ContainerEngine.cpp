#include "net/ContainerEngine.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <curl/curl.h>

namespace tidewell {

namespace {

struct Received
{
    QByteArray body;
    bool tooLarge = false;
};

size_t takeBody(char* data, size_t size, size_t count, void* into)
{
    auto* received = static_cast<Received*>(into);
    const size_t bytes = size * count;
    if (received->body.size() + qint64(bytes) > ContainerEngine::kMaxReplyBytes) {
        received->tooLarge = true;
        return 0;
    }
    received->body.append(data, qsizetype(bytes));
    return bytes;
}

// The engine's reply to GET /containers/json on the socket at `path`, read within `remainingMs`;
// nothing (and no failure) when no engine accepts connections there.
std::optional<Result<QByteArray>> requestContainers(const QString& path, qint64 remainingMs)
{
    if (remainingMs <= 0)
        return Result<QByteArray>::failure(QStringLiteral("the container engine did not answer in time"));
    CURL* const easy = curl_easy_init();
    if (!easy)
        return Result<QByteArray>::failure(QStringLiteral("libcurl could not start"));
    Received received;
    char error[CURL_ERROR_SIZE] = {};
    const QByteArray socketPath = QFile::encodeName(path);
    curl_easy_setopt(easy, CURLOPT_URL, "http://localhost/containers/json");
    curl_easy_setopt(easy, CURLOPT_UNIX_SOCKET_PATH, socketPath.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(remainingMs));
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &takeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &received);
    const CURLcode result = curl_easy_perform(easy);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(easy);
    // A socket file left behind by an engine that is not running: no request was made.
    if (result == CURLE_COULDNT_CONNECT)
        return std::nullopt;
    if (received.tooLarge)
        return Result<QByteArray>::failure(QStringLiteral("the container list is too large"));
    if (result == CURLE_OPERATION_TIMEDOUT)
        return Result<QByteArray>::failure(QStringLiteral("the container engine did not answer in time"));
    if (result != CURLE_OK)
        return Result<QByteArray>::failure(error[0] != '\0' ? QString::fromUtf8(error)
                                                            : QString::fromUtf8(curl_easy_strerror(result)));
    if (status != 200)
        return Result<QByteArray>::failure(QStringLiteral("HTTP status %1").arg(status));
    return Result<QByteArray>::success(std::move(received.body));
}

bool isHiddenCharacter(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format: // bidirectional controls, zero-width characters
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse: // no meaning of its own: shown as a box, or as a font's private icon
    case QChar::Other_NotAssigned:
        return true;
    default:
        return false;
    }
}

} // namespace

ContainerEngine::ContainerEngine(QStringList socketPaths, int timeoutMs)
    : m_socketPaths(std::move(socketPaths)), m_timeoutMs(timeoutMs)
{}

QStringList ContainerEngine::socketPathsFrom(const QProcessEnvironment& environment)
{
    QStringList paths;
    const QString dockerHost = environment.value(QStringLiteral("DOCKER_HOST"));
    const QLatin1String unixScheme("unix://");
    if (dockerHost.startsWith(unixScheme) && dockerHost.mid(unixScheme.size()).startsWith(QLatin1Char('/')))
        paths.append(dockerHost.mid(unixScheme.size()));
    paths.append(QStringLiteral("/var/run/docker.sock"));
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (runtime.startsWith(QLatin1Char('/')))
        paths.append(runtime + QStringLiteral("/podman/podman.sock"));
    paths.removeDuplicates();
    return paths;
}

ContainerEngine ContainerEngine::fromEnvironment()
{
    return ContainerEngine(socketPathsFrom(QProcessEnvironment::systemEnvironment()));
}

Result<QList<ContainerEngine::Container>> ContainerEngine::listContainers() const
{
    const QDeadlineTimer deadline(m_timeoutMs);
    for (const QString& path : m_socketPaths) {
        // Opening a unix socket takes write permission; one the user may not use is passed over.
        const QFileInfo socket(path);
        if (!socket.exists() || !socket.isReadable() || !socket.isWritable())
            continue;
        const std::optional<Result<QByteArray>> reply = requestContainers(path, deadline.remainingTime());
        if (!reply)
            continue;
        if (!reply->ok())
            return Result<QList<Container>>::failure(reply->error());
        return parseContainerList(reply->value());
    }
    return Result<QList<Container>>::failure(QStringLiteral("no container engine"));
}

Result<QList<ContainerEngine::Container>> ContainerEngine::parseContainerList(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isArray())
        return Result<QList<Container>>::failure(error.error != QJsonParseError::NoError
                                                     ? error.errorString()
                                                     : QStringLiteral("the container list is not an array"));
    QList<Container> containers;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        // Docker names begin with a slash, the name of a link also holds one; the first is the own.
        QString name = object.value(QLatin1String("Names")).toArray().at(0).toString();
        if (name.startsWith(QLatin1Char('/')))
            name.remove(0, 1);
        Container container{plainField(name, kMaxNameLength),
                            plainField(object.value(QLatin1String("Image")).toString(), kMaxImageLength),
                            {}};
        for (const QJsonValue& port : object.value(QLatin1String("Ports")).toArray()) {
            const double number = port.toObject().value(QLatin1String("PublicPort")).toDouble();
            // Out of the port range it is not converted at all: 1e92 fits no int.
            if (!(number >= 1 && number <= 65535))
                continue;
            const int published = int(number);
            if (published == number && !container.publicPorts.contains(published))
                container.publicPorts.append(published);
        }
        if (!container.name.isEmpty() && !container.publicPorts.isEmpty())
            containers.append(std::move(container));
    }
    return Result<QList<Container>>::success(std::move(containers));
}

QString ContainerEngine::plainField(const QString& text, qsizetype maxLength)
{
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text) {
        // Surrogates go too: a name cut in the middle of a pair would end in half a character.
        if (c.isSpace())
            plain.append(QLatin1Char(' ')); // line breaks and tabs too: a field stays on one line
        else if (!isHiddenCharacter(c))
            plain.append(c);
    }
    plain = plain.simplified();
    if (plain.size() > maxLength) {
        plain.truncate(maxLength - 1);
        plain.append(QChar(0x2026));
    }
    return plain;
}

} // namespace tidewell
