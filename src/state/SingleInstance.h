#pragma once

#include <QObject>
#include <memory>

class QLocalServer;
class QLockFile;

namespace tidewell {

// Keeps one Tidewell per user: a second start asks the running one to open its window and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr int kConnectTimeoutMs = 1000;

    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket of this user's instance, named after the bundle identifier, in `privateFolder()`;
    // empty when there is none.
    static QString defaultServerName();
    // A folder only this user can enter, for the socket and its lock: `runtimeFolder`
    // (XDG_RUNTIME_DIR) when it is one, else "com.orvane.Tidewell" under `cacheFolder`, made or
    // mended to mode 0700. Empty when neither is ours alone: nothing is placed where another user
    // could read it or put a file in the way.
    static QString privateFolder(const QString& runtimeFolder, const QString& cacheFolder);

    // True when another instance answered; it has been asked to show its window.
    bool askRunningInstanceToShow();
    // Becomes the running instance; false only when another one holds the lock. A socket left
    // behind by a crashed run is replaced. Without a server name, or with a socket that cannot
    // be made, this start runs on unguarded rather than not at all.
    bool listen();

signals:
    void showRequested();

private:
    QString m_serverName;
    QLocalServer* m_server = nullptr;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace tidewell
