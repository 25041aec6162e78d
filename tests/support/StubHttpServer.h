#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace tidewell::test {

// A local stand-in for a remote HTTP service: it answers each path with a canned reply, records every
// request it receives, and can stay silent to let a client's timeout run out. Listens on 127.0.0.1.
class StubHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray target;                    // path and query, as sent
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool silent = false;      // accept the request, never answer
        bool dropped = false;     // break the connection off instead of answering
        bool sendLength = true;   // send Content-Length (otherwise the end of the body closes the connection)
        qsizetype holdAfter = -1; // send only this many body bytes until release() is called for the path

        static Reply with(QByteArray replyBody, int replyStatus = 200)
        {
            Reply reply;
            reply.body = std::move(replyBody);
            reply.status = replyStatus;
            return reply;
        }
        static Reply silence() { return Reply().changed(&Reply::silent, true); }
        static Reply drop() { return Reply().changed(&Reply::dropped, true); }
        Reply withoutLength() const { return changed(&Reply::sendLength, false); }
        Reply heldAfter(qsizetype bytes) const { return changed(&Reply::holdAfter, bytes); }
        // A copy with one member changed.
        template <typename T> Reply changed(T Reply::*member, T value) const
        {
            Reply reply = *this;
            reply.*member = value;
            return reply;
        }
    };

    StubHttpServer();

    // The origin to point a client at, e.g. "http://127.0.0.1:41234".
    QString origin() const;
    // Replies to a path (without the query); an unknown path gets 404 with an empty body.
    void setReply(const QByteArray& path, const Reply& reply);
    QList<Request> requests() const { return m_requests; }
    // Sends the rest of every reply to `path` that is being held back.
    void release(const QByteArray& path);
    // Whether a page probe (a request that accepts text/html first) is answered and recorded like
    // any other request, as a development server would; otherwise it gets 404 and is not recorded.
    void setServingPages(bool serving) { m_servingPages = serving; }
    // While holding, each answer (as set when its request came) waits; letting go sends them all, so
    // a test decides the order in which replies arrive.
    void setHolding(bool holding);

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QMap<QByteArray, Reply> m_replies;
    QList<Request> m_requests;
    struct Held
    {
        QPointer<QTcpSocket> socket;
        QByteArray path;
        QByteArray rest;
    };
    QList<Held> m_held;
    bool m_holding = false;
    bool m_servingPages = false;
    QList<std::function<void()>> m_heldAnswers;
};

} // namespace tidewell::test
