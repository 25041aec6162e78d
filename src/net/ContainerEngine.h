#pragma once

#include "records/Result.h"

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tidewell {

// The local container engine (Docker, or Podman's compatible service) asked over its unix socket,
// through libcurl, which containers publish which ports. Blocking, bounded by a short timeout: call it
// on a worker thread; a copy may be used on any thread.
class ContainerEngine
{
public:
    // One running container as the engine lists it; name and image are cut, one-line plain text.
    struct Container
    {
        QString name;
        QString image;
        QList<int> publicPorts;
    };

    static constexpr int kDefaultTimeoutMs = 1500;
    static constexpr qsizetype kMaxReplyBytes = 4 * 1024 * 1024;
    static constexpr qsizetype kMaxNameLength = 64;
    static constexpr qsizetype kMaxImageLength = 128;

    explicit ContainerEngine(QStringList socketPaths, int timeoutMs = kDefaultTimeoutMs);

    // $DOCKER_HOST when it names a unix socket, /var/run/docker.sock, then the user's Podman
    // socket under $XDG_RUNTIME_DIR: the order in which they are tried.
    static QStringList socketPathsFrom(const QProcessEnvironment& environment);
    static ContainerEngine fromEnvironment();

    // The containers of the first socket the user may open that accepts the connection: one request
    // at most, none when no socket is there.
    Result<QList<Container>> listContainers() const;
    // The body of GET /containers/json. Containers without a name or a published port are left out.
    static Result<QList<Container>> parseContainerList(const QByteArray& json);
    // Outside text as a row shows it: one line, no control or direction characters, at most
    // `maxLength` characters, the last of them an ellipsis when cut.
    static QString plainField(const QString& text, qsizetype maxLength);

private:
    QStringList m_socketPaths;
    int m_timeoutMs;
};

} // namespace tidewell
