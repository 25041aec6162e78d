#include "state/SingleInstance.h"

#include "platform/LogCategories.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

namespace tidewell {

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QString kName = QStringLiteral("com.orvane.Tidewell");

// A real folder (not a link to one) of this user that nobody else may enter.
bool isOursAlone(const QString& folder)
{
    struct stat info = {};
    return !folder.isEmpty() && QDir::isAbsolutePath(folder) &&
           ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
}

} // namespace

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent), m_serverName(serverName)
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
    const QString folder =
        privateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                      QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    return folder.isEmpty() ? QString() : QDir(folder).filePath(kName);
}

QString SingleInstance::privateFolder(const QString& runtimeFolder, const QString& cacheFolder)
{
    if (isOursAlone(runtimeFolder))
        return QDir::cleanPath(runtimeFolder);
    if (cacheFolder.isEmpty() || !QDir::isAbsolutePath(cacheFolder))
        return {};
    const QString folder = QDir::cleanPath(QDir(cacheFolder).filePath(kName));
    const QByteArray path = QFile::encodeName(folder);
    QDir().mkpath(cacheFolder);
    ::mkdir(path.constData(), 0700);
    // A folder of ours with a wider mode (an older run, a copied home) is narrowed; a link or
    // another user's folder is left alone and not used.
    struct stat info = {};
    if (::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid())
        ::chmod(path.constData(), 0700);
    return isOursAlone(folder) ? folder : QString();
}

bool SingleInstance::askRunningInstanceToShow()
{
    if (m_serverName.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen()
{
    if (m_serverName.isEmpty()) {
        qCWarning(lcApp).noquote() << (QStringLiteral(
            "No private folder for the single-instance socket: a second "
            "start will not find this one."));
        return true;
    }
    // Listening replaces a socket file that is in the way, so the lock decides which of two
    // starts racing each other becomes the instance. A lock left by a crashed run is stale and
    // is taken over.
    m_lock = std::make_unique<QLockFile>(m_serverName + QStringLiteral(".lock"));
    if (!m_lock->tryLock(0))
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        // Nobody holds the lock, so the socket file is a leftover.
        QLocalServer::removeServer(m_serverName);
        if (!m_server->listen(m_serverName)) {
            // The lock is ours, so a second start still stops at it.
            qCWarning(lcApp).noquote()
                << (QStringLiteral("Single-instance socket not opened: ") + m_server->errorString());
            return true;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(kShowRequest))
                    emit showRequested();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace tidewell
