#include "records/PortData.h"

#include <QJsonDocument>
#include <QSet>
#include <QTest>

using namespace tidewell;

namespace {

QJsonObject parse(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

const HTMLData kPage{QStringLiteral("My App"), AppType::nextjs, std::nullopt, HttpScheme::https};
const ProcessInfo kOrigin{QStringLiteral("/home/dev/my app"), QStringLiteral("node server.js")};

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void entriesDifferingInOneFieldAreDifferentRows_data();
    void entriesDifferingInOneFieldAreDifferentRows();
    void equalEntriesHashAlike();
    void storedFormRoundTrips_data();
    void storedFormRoundTrips();
    void optionalMembersAreOmittedWhenAbsent();
    void decodingRejectsBrokenRecords_data();
    void decodingRejectsBrokenRecords();
    void decodingIgnoresUnknownMembers();
    void enumerationTextsAreExact_data();
    void enumerationTextsAreExact();
};

void RecordsTest::entriesDifferingInOneFieldAreDifferentRows_data()
{
    QTest::addColumn<PortData>("a");
    QTest::addColumn<PortData>("b");
    const PortData base(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("42"), kPage, kOrigin);
    auto with = [&](auto change) {
        PortData copy = base;
        change(copy);
        return copy;
    };
    QTest::newRow("page absent") << base << with([](PortData& p) { p.setHtmlData(std::nullopt); });
    QTest::newRow("origin absent") << base << with([](PortData& p) { p.setProcessInfo(std::nullopt); });
    QTest::newRow("favicon present") << base << with([](PortData& p) {
        HTMLData page = kPage;
        page.favicon = QStringLiteral("/favicon.ico");
        p.setHtmlData(page);
    });
    QTest::newRow("scheme") << base << with([](PortData& p) {
        HTMLData page = kPage;
        page.scheme = HttpScheme::http;
        p.setHtmlData(page);
    });
    QTest::newRow("pid") << base
                         << PortData(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("43"),
                                     kPage, kOrigin);
    QTest::newRow("name case") << base
                               << PortData(QStringLiteral("Node"), QStringLiteral("3000"),
                                           QStringLiteral("42"), kPage, kOrigin);
}

void RecordsTest::entriesDifferingInOneFieldAreDifferentRows()
{
    QFETCH(PortData, a);
    QFETCH(PortData, b);
    QVERIFY(!(a == b));
    QVERIFY(qHash(a) != qHash(b));
    QCOMPARE(QSet<PortData>({a, b}).size(), 2);
}

void RecordsTest::equalEntriesHashAlike()
{
    const PortData a(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("42"), kPage, kOrigin);
    const PortData b(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("42"), kPage, kOrigin);
    QVERIFY(a == b);
    QCOMPARE(qHash(a, 7), qHash(b, 7));
    QCOMPARE(a.portKey(), QStringLiteral("3000:42"));
}

void RecordsTest::storedFormRoundTrips_data()
{
    QTest::addColumn<PortData>("entry");
    HTMLData withFavicon = kPage;
    withFavicon.favicon = QStringLiteral("/icon.png");
    QTest::newRow("bare") << PortData(QStringLiteral("Code\\x20H"), QStringLiteral("5173"),
                                      QStringLiteral("7"));
    QTest::newRow("page only") << PortData(QStringLiteral("bun"), QStringLiteral("3000"), QStringLiteral("1"),
                                           kPage);
    QTest::newRow("everything") << PortData(QStringLiteral("deno"), QStringLiteral("8000"),
                                            QStringLiteral("9"), withFavicon, kOrigin);
    QTest::newRow("non-ascii and quotes")
        << PortData(QStringLiteral("python3"), QStringLiteral("8080"), QStringLiteral("5"),
                    HTMLData{QStringLiteral("Caf\u00e9 \"quoted\" </title>"), AppType::storybook,
                             std::nullopt, HttpScheme::http},
                    ProcessInfo{QStringLiteral("/tmp/a  b/$(x)"), QStringLiteral("echo `id` 'q'")});
}

void RecordsTest::storedFormRoundTrips()
{
    QFETCH(PortData, entry);
    const QByteArray json = QJsonDocument(entry.toJson()).toJson(QJsonDocument::Compact);
    const auto decoded = PortData::fromJson(parse(json));
    QVERIFY(decoded);
    QVERIFY(*decoded == entry);
}

void RecordsTest::optionalMembersAreOmittedWhenAbsent()
{
    const QJsonObject page = kPage.toJson();
    QVERIFY(!page.contains(QStringLiteral("favicon")));
    QCOMPARE(page.value(QStringLiteral("appType")).toString(), QStringLiteral("nextjs"));
    QCOMPARE(page.value(QStringLiteral("scheme")).toString(), QStringLiteral("https"));

    const QJsonObject entry =
        PortData(QStringLiteral("node"), QStringLiteral("1"), QStringLiteral("2")).toJson();
    QCOMPARE(entry.keys(),
             (QStringList{QStringLiteral("pid"), QStringLiteral("port"), QStringLiteral("processName")}));
    const auto decoded = PortData::fromJson(entry);
    QVERIFY(decoded && !decoded->processInfo() && !decoded->htmlData());
}

void RecordsTest::decodingRejectsBrokenRecords_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("unknown app type") << QByteArray(
        R"({"processName":"node","port":"3000","pid":"1","htmlData":{"title":"t","appType":"vue","scheme":"http"}})");
    QTest::newRow("app type in capitals") << QByteArray(
        R"({"processName":"node","port":"3000","pid":"1","htmlData":{"title":"t","appType":"React","scheme":"http"}})");
    QTest::newRow("unknown scheme") << QByteArray(
        R"({"processName":"node","port":"3000","pid":"1","htmlData":{"title":"t","appType":"react","scheme":"ftp"}})");
    QTest::newRow("page without title") << QByteArray(
        R"({"processName":"node","port":"3000","pid":"1","htmlData":{"appType":"react","scheme":"http"}})");
    QTest::newRow("origin without cmd")
        << QByteArray(R"({"processName":"node","port":"3000","pid":"1","processInfo":{"cwd":"/"}})");
    QTest::newRow("port as number") << QByteArray(R"({"processName":"node","port":3000,"pid":"1"})");
    QTest::newRow("missing pid") << QByteArray(R"({"processName":"node","port":"3000"})");
    QTest::newRow("page not an object")
        << QByteArray(R"({"processName":"node","port":"3000","pid":"1","htmlData":"x"})");
}

void RecordsTest::decodingRejectsBrokenRecords()
{
    QFETCH(QByteArray, json);
    QVERIFY(!PortData::fromJson(parse(json)));
}

void RecordsTest::decodingIgnoresUnknownMembers()
{
    const auto decoded = PortData::fromJson(parse(
        R"({"processName":"node","port":"3000","pid":"1","extra":[1,2],
            "htmlData":{"title":"t","appType":"react","scheme":"http","favicon":"/f","more":true}})"));
    QVERIFY(decoded);
    QCOMPARE(decoded->htmlData()->favicon, std::optional<QString>(QStringLiteral("/f")));
    QCOMPARE(decoded->htmlData()->appType, AppType::react);
}

void RecordsTest::enumerationTextsAreExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isAppType");
    QTest::addColumn<bool>("isScheme");
    QTest::newRow("unknown") << QStringLiteral("unknown") << true << false;
    QTest::newRow("react") << QStringLiteral("react") << true << false;
    QTest::newRow("nextjs") << QStringLiteral("nextjs") << true << false;
    QTest::newRow("storybook") << QStringLiteral("storybook") << true << false;
    QTest::newRow("Nextjs") << QStringLiteral("Nextjs") << false << false;
    QTest::newRow("next.js") << QStringLiteral("next.js") << false << false;
    QTest::newRow("http") << QStringLiteral("http") << false << true;
    QTest::newRow("https") << QStringLiteral("https") << false << true;
    QTest::newRow("HTTP") << QStringLiteral("HTTP") << false << false;
    QTest::newRow("empty") << QString() << false << false;
}

void RecordsTest::enumerationTextsAreExact()
{
    QFETCH(QString, text);
    QFETCH(bool, isAppType);
    QFETCH(bool, isScheme);
    const auto appType = appTypeFromText(text);
    QCOMPARE(appType.has_value(), isAppType);
    if (appType)
        QCOMPARE(appTypeText(*appType), text);
    const auto scheme = httpSchemeFromText(text);
    QCOMPARE(scheme.has_value(), isScheme);
    if (scheme)
        QCOMPARE(httpSchemeText(*scheme), text);
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
