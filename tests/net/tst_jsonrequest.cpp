#include "net/JsonRequest.h"
#include "support/StubHttpServer.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTest>

#include <optional>

using namespace tidewell;
using namespace tidewell::test;
using namespace std::chrono_literals;

namespace {

// The smallest record a caller might decode: one required text member.
struct Greeting
{
    QString text;

    static Result<Greeting> fromJson(const QByteArray& body)
    {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(body, &error);
        if (error.error != QJsonParseError::NoError)
            return Result<Greeting>::failure(error.errorString());
        const QJsonValue text = document.object().value(QStringLiteral("text"));
        if (!text.isString())
            return Result<Greeting>::failure(QStringLiteral("missing member \"text\""));
        return Result<Greeting>::success(Greeting{text.toString()});
    }
};

using Headers = QMap<QString, QString>;

} // namespace

class JsonRequestTest : public QObject
{
    Q_OBJECT

private slots:
    void requestCarriesBodyAndHeaders_data();
    void requestCarriesBodyAndHeaders();
    void outcome_data();
    void outcome();
    void badAddressFailsThroughTheCompletion();

private:
    std::optional<Result<Greeting>> send(const QString& method, const QString& address,
                                         const QJsonObject& body, const Headers& headers,
                                         const RequestLimits& limits = {})
    {
        std::optional<Result<Greeting>> outcome;
        sendJSONRequest<Greeting>(
            method, address, body, headers, &m_session,
            [&outcome](Result<Greeting> r) { outcome = std::move(r); }, limits);
        if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 20'000))
            return std::nullopt;
        return outcome;
    }

    QNetworkAccessManager m_session;
};

void JsonRequestTest::requestCarriesBodyAndHeaders_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<Headers>("headers");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");

    const QJsonObject one{{QStringLiteral("current_version"), QStringLiteral("0.1.0")}};
    QTest::newRow("GET sends no body")
        << QStringLiteral("GET") << Headers{} << QByteArray() << QByteArray("application/json");
    QTest::newRow("POST sends the object")
        << QStringLiteral("POST") << Headers{} << QByteArray(R"({"current_version":"0.1.0"})")
        << QByteArray("application/json");
    QTest::newRow("caller's Content-Type wins")
        << QStringLiteral("POST") << Headers{{QStringLiteral("Content-Type"), QStringLiteral("text/plain")}}
        << QByteArray(R"({"current_version":"0.1.0"})") << QByteArray("text/plain");
}

void JsonRequestTest::requestCarriesBodyAndHeaders()
{
    QFETCH(QString, method);
    QFETCH(Headers, headers);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);

    StubHttpServer server;
    server.setReply("/api", StubHttpServer::Reply::with(R"({"text":"hi"})"));
    headers.insert(QStringLiteral("Authorization"), QStringLiteral("Bearer abc"));
    const auto outcome = send(method, server.origin() + QStringLiteral("/api?teamId=t1"),
                              {{QStringLiteral("current_version"), QStringLiteral("0.1.0")}}, headers);
    QVERIFY(outcome && outcome->ok());
    QCOMPARE(outcome->value().text, QStringLiteral("hi"));

    QCOMPARE(server.requests().size(), 1);
    const StubHttpServer::Request request = server.requests().first();
    QCOMPARE(request.method, method.toUtf8());
    QCOMPARE(request.target, QByteArray("/api?teamId=t1"));
    QCOMPARE(request.body, body);
    QCOMPARE(request.headers.value("content-type"), contentType);
    QCOMPARE(request.headers.value("authorization"), QByteArray("Bearer abc"));
}

void JsonRequestTest::outcome_data()
{
    QTest::addColumn<StubHttpServer::Reply>("reply");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("errorPart");

    const QByteArray big = R"({"text":")" + QByteArray(200, 'x') + R"("})";
    QTest::newRow("500 whose body decodes")
        << StubHttpServer::Reply::with(R"({"text":"late"})", 500) << true << QString();
    QTest::newRow("403 error body") << StubHttpServer::Reply::with(R"({"error":{"code":"forbidden"}})", 403)
                                    << false << QStringLiteral("text");
    QTest::newRow("HTML body") << StubHttpServer::Reply::with("<html></html>") << false << QString();
    QTest::newRow("body over the cap")
        << StubHttpServer::Reply::with(big) << false << QStringLiteral("larger");
    QTest::newRow("over the cap, no length")
        << StubHttpServer::Reply::with(big).withoutLength() << false << QStringLiteral("larger");
    QTest::newRow("silent service") << StubHttpServer::Reply::silence() << false
                                    << QStringLiteral("timed out");
}

void JsonRequestTest::outcome()
{
    QFETCH(StubHttpServer::Reply, reply);
    QFETCH(bool, succeeds);
    QFETCH(QString, errorPart);

    StubHttpServer server;
    server.setReply("/v2/user", reply);
    RequestLimits limits;
    limits.timeout = 500ms;
    limits.maxBodyBytes = 100;
    const auto outcome =
        send(QStringLiteral("GET"), server.origin() + QStringLiteral("/v2/user"), {}, {}, limits);
    QVERIFY(outcome.has_value());
    QCOMPARE(outcome->ok(), succeeds);
    QCOMPARE(outcome->error().isEmpty(), succeeds);
    QVERIFY2(outcome->error().contains(errorPart), qPrintable(outcome->error()));
}

void JsonRequestTest::badAddressFailsThroughTheCompletion()
{
    bool called = false;
    QString error;
    sendJSONRequest<Greeting>(QStringLiteral("GET"), QStringLiteral("http://exa mple.com:99999/"), {}, {},
                              &m_session, [&](const Result<Greeting>& r) {
                                  called = true;
                                  error = r.error();
                              });
    QVERIFY(!called); // never from inside the call
    QTRY_VERIFY(called);
    QVERIFY(error.startsWith(QStringLiteral("Not a valid address")));

    // A port nothing listens on: a transport error.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const QString origin = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();
    const auto outcome = send(QStringLiteral("GET"), origin, {}, {});
    QVERIFY(outcome && !outcome->ok());
}

QTEST_GUILESS_MAIN(JsonRequestTest)
#include "tst_jsonrequest.moc"
