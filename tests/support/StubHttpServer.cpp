#include "support/StubHttpServer.h"

#include <QPointer>
#include <QTcpSocket>

#include <memory>

namespace tidewell::test {

StubHttpServer::StubHttpServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

QString StubHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void StubHttpServer::setReply(const QByteArray& path, const Reply& reply)
{
    m_replies.insert(path, reply);
}

void StubHttpServer::setHolding(bool holding)
{
    m_holding = holding;
    if (!holding) {
        for (const auto& answer : std::exchange(m_heldAnswers, {}))
            answer();
    }
}

void StubHttpServer::serve(QTcpSocket* socket)
{
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer->size() < headerEnd + 4 + length)
            return;
        request.body = buffer->mid(headerEnd + 4, length);
        buffer->clear();
        // A page probe of a listing running beside the test (another test's, or a developer's
        // window) may find this port: it is no request of the client under test.
        if (!m_servingPages && request.headers.value("accept").startsWith("text/html")) {
            socket->write("HTTP/1.1 404 Stub\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        m_requests.append(request);
        const QByteArray path = request.target.split('?').value(0);
        const Reply reply = m_replies.value(path, Reply::with({}, 404));
        if (reply.silent)
            return;
        if (reply.dropped) {
            socket->abort();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Stub\r\nConnection: close\r\n";
        for (const auto& [name, value] : reply.headers)
            head += name + ": " + value + "\r\n";
        if (reply.sendLength)
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        if (reply.holdAfter >= 0) {
            socket->write(head + "\r\n" + reply.body.left(reply.holdAfter));
            m_held.append({socket, path, reply.body.mid(reply.holdAfter)});
            return;
        }
        const QPointer<QTcpSocket> target(socket);
        auto answer = [target, bytes = head + "\r\n" + reply.body] {
            if (!target)
                return;
            target->write(bytes);
            target->disconnectFromHost();
        };
        if (m_holding)
            m_heldAnswers.append(answer);
        else
            answer();
    });
}

void StubHttpServer::release(const QByteArray& path)
{
    for (qsizetype i = m_held.size() - 1; i >= 0; --i) {
        if (m_held[i].path != path)
            continue;
        if (QTcpSocket* socket = m_held[i].socket) {
            socket->write(m_held[i].rest);
            socket->disconnectFromHost();
        }
        m_held.removeAt(i);
    }
}

} // namespace tidewell::test
