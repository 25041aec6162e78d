#include "net/JsonRequest.h"
#include "records/VercelAuth.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include "net/CurlMulti.h"
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace tidewell;
using namespace tidewell::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

using Headers = QMap<QString, QString>;

// The routine with the smallest record a caller decodes: one required text member, "token".
class JsonRequestTest : public QObject
{
    Q_OBJECT

private slots:
    void requestCarriesBodyAndHeaders_data()
    {
        QTest::addColumn<Headers>("headers");
        QTest::addColumn<QByteArray>("contentType");
        QTest::newRow("POST sends the object") << Headers{} << "application/json"_ba;
        QTest::newRow("caller's Content-Type wins")
            << Headers{{u"Content-Type"_s, u"text/plain"_s}} << "text/plain"_ba;
    }

    void requestCarriesBodyAndHeaders()
    {
        QFETCH(Headers, headers);
        StubHttpServer server;
        server.setReply("/api", StubHttpServer::Reply::with(R"({"token":"hi"})"));
        headers.insert(u"Authorization"_s, u"Bearer abc"_s);
        const auto outcome = send(u"POST"_s, server.origin() + u"/api?teamId=t1"_s, headers);
        QVERIFY(outcome && outcome->ok());
        QCOMPARE(outcome->value().token, u"hi"_s);
        QCOMPARE(server.requests().size(), 1);
        const StubHttpServer::Request request = server.requests().first();
        QCOMPARE(request.method, "POST"_ba);
        QCOMPARE(request.target, "/api?teamId=t1"_ba);
        QCOMPARE(request.body, R"({"current_version":"0.1.0"})"_ba);
        QTEST(request.headers.value("content-type"), "contentType");
        QCOMPARE(request.headers.value("authorization"), "Bearer abc"_ba);
    }

    void outcome_data()
    {
        QTest::addColumn<StubHttpServer::Reply>("reply");
        QTest::addColumn<QString>("error"); // a part of it; empty for success
        // The cap counts the body's bytes, with or without a stated length.
        const auto sized = [](int bytes) { return "{\"token\":\"" + QByteArray(bytes - 12, 'x') + "\"}"; };
        using Reply = StubHttpServer::Reply;
        QTest::newRow("500 whose body decodes") << Reply::with(R"({"token":"late"})", 500) << QString();
        QTest::newRow("403 error body")
            << Reply::with(R"({"error":{"code":"forbidden"}})", 403) << u"Missing member \"token\""_s;
        QTest::newRow("HTML body") << Reply::with("<html></html>") << u"not JSON"_s;
        QTest::newRow("body at the cap") << Reply::with(sized(100)) << QString();
        QTest::newRow("body one byte over the cap") << Reply::with(sized(101)) << u"larger than 100 bytes"_s;
        QTest::newRow("over the cap, no length") << Reply::with(sized(101)).withoutLength() << u"larger"_s;
        QTest::newRow("silent service") << Reply::silence() << u"The request timed out."_s;
    }

    void outcome()
    {
        QFETCH(StubHttpServer::Reply, reply);
        QFETCH(QString, error);
        StubHttpServer server;
        server.setReply("/v2/user", reply);
        const auto outcome = send(u"GET"_s, server.origin() + u"/v2/user"_s, {}, RequestLimits{500ms, 100});
        QVERIFY(outcome.has_value());
        QCOMPARE(outcome->ok(), error.isEmpty());
        QVERIFY2(error.isEmpty() ? outcome->error().isEmpty() : outcome->error().contains(error),
                 qPrintable(outcome->error()));
    }

    // A remote service's certificate must come from an authority the system trusts: one the server
    // signed itself is refused before anything is sent, whatever the reply would have been.
    void certificateIsVerified()
    {
        const QString openssl = findProgram(u"openssl"_s);
        if (openssl.isEmpty() || !QSslSocket::supportsSsl())
            QSKIP("openssl or Qt's TLS backend is missing: no TLS server");
        QTemporaryDir folder;
        const QString cert = folder.filePath(u"cert.pem"_s);
        const QString key = folder.filePath(u"key.pem"_s);
        const QString options = u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                                "-subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1"_s;
        const ProgramRun made =
            runProgram(openssl, options.split(u' ') + QStringList{u"-keyout"_s, key, u"-out"_s, cert});
        QVERIFY2(made.exitCode == 0, made.err.constData());
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate::fromPath(cert).value(0));
        tls.setPrivateKey(QSslKey(fileContent(key), QSsl::Ec));
        QSslServer server;
        server.setSslConfiguration(tls);
        QByteArray requested;
        QObject::connect(&server, &QTcpServer::pendingConnectionAvailable, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [&requested, socket] {
                    requested += socket->readAll();
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 14\r\n\r\n{\"token\":\"hi\"}");
                    socket->disconnectFromHost();
                });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const auto outcome = send(u"GET"_s, u"https://127.0.0.1:%1/v2/user"_s.arg(server.serverPort()),
                                  {{u"Authorization"_s, u"Bearer s3cr3t"_s}});
        QVERIFY(outcome.has_value());
        QVERIFY2(!outcome->ok() && outcome->error().contains(u"certificate"_s), qPrintable(outcome->error()));
        QVERIFY(!outcome->error().contains(u"s3cr3t"_s));
        QCOMPARE(requested, QByteArray());
    }

    void badAddressFailsThroughTheCompletion()
    {
        const auto outcome = send(u"GET"_s, u"http://exa mple.com:99999/"_s);
        QVERIFY(outcome && outcome->error().startsWith(u"Not a valid address"_s));
    }

private:
    std::optional<Result<VercelAuth>> send(const QString& method, const QString& address,
                                           const Headers& headers = {}, const RequestLimits& limits = {})
    {
        std::optional<Result<VercelAuth>> outcome;
        sendJSONRequest<VercelAuth>(
            method, address, {{u"current_version"_s, u"0.1.0"_s}}, headers, &m_session,
            [&outcome](Result<VercelAuth> r) { outcome = std::move(r); }, limits);
        // The completion runs later, never from inside the call.
        if (outcome || !QTest::qWaitFor([&] { return outcome.has_value(); }, 20'000))
            return std::nullopt;
        return outcome;
    }

    CurlMulti m_session;
};

QTEST_GUILESS_MAIN(JsonRequestTest)
#include "tst_jsonrequest.moc"
