#include "platform/ContainerEngine.h"

#include "platform/BlockingSocket.h"
#include "platform/HttpReplyParser.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tidewell {

namespace {

// The engine's reply to GET /containers/json on the socket at `path`, read within `deadline`;
// nothing (and no failure) when no engine accepts connections there.
std::optional<Result<QByteArray>> requestContainers(const QString& path, QDeadlineTimer deadline)
{
    const QString late = QStringLiteral("the container engine did not answer in time");
    BlockingSocket socket;
    switch (socket.connectToPath(path, deadline)) {
    case BlockingSocket::Outcome::done:
        break;
    case BlockingSocket::Outcome::refused:
        // A socket file left behind by an engine that is not running: no request was made.
        return std::nullopt;
    case BlockingSocket::Outcome::timedOut:
        return Result<QByteArray>::failure(late);
    case BlockingSocket::Outcome::failed:
        return Result<QByteArray>::failure(socket.errorText());
    }
    // HTTP/1.0 with a close: the engine ends the reply by closing, and sends it in one piece.
    const auto written = socket.writeAll(
        "GET /containers/json HTTP/1.0\r\nHost: localhost\r\nConnection: close\r\n\r\n", deadline);
    if (written != BlockingSocket::Outcome::done)
        return Result<QByteArray>::failure(written == BlockingSocket::Outcome::timedOut ? late
                                                                                        : socket.errorText());
    HttpReplyParser reply({64 * 1024, ContainerEngine::kMaxReplyBytes});
    while (reply.state() == HttpReplyParser::State::readingHeaders ||
           reply.state() == HttpReplyParser::State::readingBody) {
        QByteArray received;
        const auto read = socket.readSome(received, deadline);
        if (read == BlockingSocket::Outcome::timedOut)
            return Result<QByteArray>::failure(late);
        if (read == BlockingSocket::Outcome::failed || received.isEmpty())
            reply.endOfInput(); // closed, or broken off: what came may be whole
        else
            reply.feed(received);
    }
    if (reply.failure() == HttpReplyParser::Failure::bodyTooLarge)
        return Result<QByteArray>::failure(QStringLiteral("the container list is too large"));
    if (reply.state() == HttpReplyParser::State::failed)
        return Result<QByteArray>::failure(QStringLiteral("the container engine's reply is not HTTP"));
    if (reply.status() != 200)
        return Result<QByteArray>::failure(QStringLiteral("HTTP status %1").arg(reply.status()));
    return Result<QByteArray>::success(reply.body());
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
    const QDeadlineTimer deadline(m_timeoutMs);
    for (const QString& path : m_socketPaths) {
        // Opening a unix socket takes write permission; one the user may not use is passed over.
        const QFileInfo socket(path);
        if (!socket.exists() || !socket.isReadable() || !socket.isWritable())
            continue;
        const std::optional<Result<QByteArray>> reply = requestContainers(path, deadline);
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
