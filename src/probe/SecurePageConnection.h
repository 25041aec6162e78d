#pragma once

#include "probe/PageConnection.h"

#include <QPointer>

class QSslSocket;

namespace tidewell {

// A TLS connection for a page request, over Qt Network's sockets. Only what links Qt Network makes
// one: the window, and the command line through its online module.
class SecurePageConnection final : public PageConnection
{
public:
    // The SecureConnector of a program that links Qt Network.
    static std::unique_ptr<PageConnection> open(const Target& target, Handlers handlers);

    SecurePageConnection(const Target& target, Handlers handlers);
    ~SecurePageConnection() override;

    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    void close() override;

private:
    Handlers m_handlers;
    QPointer<QSslSocket> m_socket;
    bool m_closed = false;
};

} // namespace tidewell
