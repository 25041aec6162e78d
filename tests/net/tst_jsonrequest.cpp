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
using namespace Qt::StringLiterals;

using Headers = QMap<QString, QString>;

// The routine with the smallest record a caller decodes: one required text member, "token".
class JsonRequestTest : public QObject
{
    Q_OBJECT

private slots:
    void callerContentTypeWins_data()
    {
        QTest::addColumn<Headers>("headers");
        QTest::addColumn<QByteArray>("contentType");
        QTest::newRow("default") << Headers{} << "application/json"_ba;
        QTest::newRow("caller's") << Headers{{u"Content-Type"_s, u"text/plain"_s}} << "text/plain"_ba;
    }

    // The object goes out as the body, said to be JSON unless the caller's header fields name another type.
    void callerContentTypeWins()
    {
        QFETCH(Headers, headers);
        StubHttpServer server;
        server.setReply("/api", StubHttpServer::Reply::with(R"({"token":"hi"})"));
        const auto outcome = send(u"POST"_s, server.origin() + u"/api"_s, headers);
        QVERIFY(outcome && outcome->ok());
        QCOMPARE(outcome->value().token, u"hi"_s);
        const StubHttpServer::Request request = server.requests().value(0);
        QCOMPARE(request.body, R"({"current_version":"0.1.0"})"_ba);
        QTEST(request.headers.value("content-type"), "contentType");
    }

    void outcome_data()
    {
        QTest::addColumn<StubHttpServer::Reply>("reply");
        QTest::addColumn<QString>("error"); // a part of it; empty for success
        // The status is not looked at; the body's bytes are counted against the cap.
        const auto sized = [](int bytes) { return "{\"token\":\"" + QByteArray(bytes - 12, 'x') + "\"}"; };
        using Reply = StubHttpServer::Reply;
        QTest::newRow("500 whose body decodes") << Reply::with(R"({"token":"late"})", 500) << QString();
        QTest::newRow("HTML body") << Reply::with("<html></html>") << u"not JSON"_s;
        QTest::newRow("body at the cap") << Reply::with(sized(100)) << QString();
        QTest::newRow("body one byte over the cap") << Reply::with(sized(101)) << u"larger than 100 bytes"_s;
    }

    void outcome()
    {
        QFETCH(StubHttpServer::Reply, reply);
        QFETCH(QString, error);
        StubHttpServer server;
        server.setReply("/v2/user", reply);
        const auto outcome =
            send(u"GET"_s, server.origin() + u"/v2/user"_s, {}, RequestLimits{.maxBodyBytes = 100});
        QVERIFY(outcome.has_value());
        QCOMPARE(outcome->ok(), error.isEmpty());
        QVERIFY2(error.isEmpty() ? outcome->error().isEmpty() : outcome->error().contains(error),
                 qPrintable(outcome->error()));
    }

    // A certificate the server signed itself is refused before anything is sent.
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
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [&requested, socket] { requested += socket->readAll(); });
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
