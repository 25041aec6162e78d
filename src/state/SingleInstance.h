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

    // The socket of this user's instance, named after the bundle identifier, in the user's
    // runtime folder.
    static QString defaultServerName();

    // True when another instance answered; it has been asked to show its window.
    bool askRunningInstanceToShow();
    // Becomes the running instance; false when another one already is. A socket left behind by
    // a crashed run is replaced.
    bool listen();

signals:
    void showRequested();

private:
    QString m_serverName;
    QLocalServer* m_server = nullptr;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace tidewell
