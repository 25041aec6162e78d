#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace tidewell {

// One connection a page request talks over: plain TCP (PlainPageConnection), or TLS from whatever
// the probe was given to open secure ones with (SecurePageConnection). A QObject so that it can go
// with deleteLater() from inside one of its own handlers; it declares no signals, so one made in
// another module of the program is used through this interface alone.
class PageConnection : public QObject
{
public:
    enum class Failure
    {
        // Nothing listens at this address: another address of the same name may serve.
        refused,
        // The server closed the connection; what it sent before is read first.
        closed,
        other,
    };
    struct Target
    {
        // A numeric address ("127.0.0.1", "::1"): connections are never made to a name.
        QString address;
        quint16 port = 0;
        // The name a certificate must be issued to.
        QString peerName;
        // Certificates trusted besides the system's, in PEM.
        QByteArray extraCertificates;
        // Bytes taken from the kernel before they are read: a flood waits in the kernel instead.
        qint64 readBufferBytes = 256 * 1024;
    };
    // Called on the connection's thread, never from within its opening or after close().
    struct Handlers
    {
        // Connected (over TLS, once encrypted): the request may be written.
        std::function<void()> ready;
        // Bytes wait in readAll().
        std::function<void()> readable;
        std::function<void(Failure)> failed;
        // The server's certificate was refused; the connection then fails.
        std::function<void()> untrusted;
    };

    ~PageConnection() override = default;

    virtual void write(const QByteArray& bytes) = 0;
    virtual QByteArray readAll() = 0;
    // Closes at once; no handler is called any more.
    virtual void close() = 0;
};

// Opens a TLS connection to a target; empty where this program cannot.
using SecureConnector =
    std::function<std::unique_ptr<PageConnection>(const PageConnection::Target&, PageConnection::Handlers)>;

} // namespace tidewell
