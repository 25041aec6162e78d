#include "platform/ContainerEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <curl/curl.h>
#include <memory>

namespace tidewell {

namespace {

struct Reply
{
    QByteArray body;
    bool overflowed = false;
};

size_t collect(char* data, size_t size, size_t count, void* target)
{
    auto* reply = static_cast<Reply*>(target);
    const size_t bytes = size * count;
    if (reply->body.size() + qsizetype(bytes) > ContainerEngine::kMaxReplyBytes) {
        reply->overflowed = true;
        return 0; // ends the transfer
    }
    reply->body.append(data, qsizetype(bytes));
    return bytes;
}

bool isHiddenCharacter(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format: // bidirectional controls, zero-width characters
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Surrogate:
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
    for (const QString& path : m_socketPaths) {
        // Opening a unix socket takes write permission; one the user may not use is passed over.
        const QFileInfo socket(path);
        if (!socket.exists() || !socket.isReadable() || !socket.isWritable())
            continue;
        const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
        if (!easy)
            return Result<QList<Container>>::failure(QStringLiteral("libcurl could not start a request"));
        Reply reply;
        const QByteArray socketPath = QFile::encodeName(path);
        curl_easy_setopt(easy.get(), CURLOPT_UNIX_SOCKET_PATH, socketPath.constData());
        curl_easy_setopt(easy.get(), CURLOPT_URL, "http://localhost/containers/json");
        curl_easy_setopt(easy.get(), CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT_MS, long(m_timeoutMs));
        curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, long(m_timeoutMs));
        curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &collect);
        curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &reply);
        const CURLcode code = curl_easy_perform(easy.get());
        // A socket file left behind by an engine that is not running: no request was made.
        if (code == CURLE_COULDNT_CONNECT)
            continue;
        if (reply.overflowed)
            return Result<QList<Container>>::failure(QStringLiteral("the container list is too large"));
        if (code != CURLE_OK)
            return Result<QList<Container>>::failure(QString::fromUtf8(curl_easy_strerror(code)));
        long status = 0;
        curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
        if (status != 200)
            return Result<QList<Container>>::failure(QStringLiteral("HTTP status %1").arg(status));
        return parseContainerList(reply.body);
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
            const int published = int(number);
            if (published == number && published > 0 && published <= 65535 &&
                !container.publicPorts.contains(published))
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
