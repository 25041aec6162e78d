#include "records/PortData.h"

#include <QJsonDocument>
#include <QSet>
#include <QTest>

using namespace tidewell;
using namespace Qt::StringLiterals;

namespace {

QJsonObject parse(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

const HTMLData kPage{u"My App"_s, AppType::nextjs, std::nullopt, HttpScheme::https};
const ProcessInfo kOrigin{u"/home/dev/my app"_s, u"node server.js"_s};

PortData node(const std::optional<HTMLData>& page = kPage, const std::optional<ProcessInfo>& origin = kOrigin,
              const char* pid = "42", const char* name = "node")
{
    return PortData(QString::fromLatin1(name), u"3000"_s, QString::fromLatin1(pid), page, origin);
}

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void equalityAndHashSeeEveryField_data();
    void equalityAndHashSeeEveryField();
    void storedForm_data();
    void storedForm();
    void decodingRejectsBrokenRecords_data();
    void decodingRejectsBrokenRecords();
    void decodingIgnoresUnknownMembers();
};

void RecordsTest::equalityAndHashSeeEveryField_data()
{
    QTest::addColumn<PortData>("other");
    QTest::addColumn<bool>("same");
    HTMLData withFavicon = kPage;
    withFavicon.favicon = u"/favicon.ico"_s;
    HTMLData plainHttp = kPage;
    plainHttp.scheme = HttpScheme::http;
    QTest::newRow("equal") << node() << true;
    QTest::newRow("page absent") << node(std::nullopt) << false;
    QTest::newRow("origin absent") << node(kPage, std::nullopt) << false;
    QTest::newRow("favicon present") << node(withFavicon) << false;
    QTest::newRow("scheme") << node(plainHttp) << false;
    QTest::newRow("pid") << node(kPage, kOrigin, "43") << false;
    QTest::newRow("name case") << node(kPage, kOrigin, "42", "Node") << false;
}

void RecordsTest::equalityAndHashSeeEveryField()
{
    QFETCH(PortData, other);
    QFETCH(bool, same);
    const PortData base = node();
    QCOMPARE(base == other, same);
    QCOMPARE(qHash(base, 7) == qHash(other, 7), same);
    QCOMPARE(QSet<PortData>({base, other}).size(), same ? 1 : 2);
}

// The exact form written to the stored data, which later versions must keep reading.
void RecordsTest::storedForm_data()
{
    QTest::addColumn<PortData>("entry");
    QTest::addColumn<QByteArray>("json");
    HTMLData withFavicon = kPage;
    withFavicon.favicon = u"/icon.png"_s;
    QTest::newRow("bare, escaped name kept")
        << PortData(u"Code\\x20H"_s, u"5173"_s, u"7"_s)
        << QByteArray(R"({"pid":"7","port":"5173","processName":"Code\\x20H"})");
    QTest::newRow("everything") << node(withFavicon)
                                << QByteArray(
                                       R"({"htmlData":{"appType":"nextjs","favicon":"/icon.png",)"
                                       R"("scheme":"https","title":"My App"},"pid":"42","port":"3000",)"
                                       R"("processInfo":{"cmd":"node server.js","cwd":"/home/dev/my app"},)"
                                       R"("processName":"node"})");
    QTest::newRow("non-ascii and quotes")
        << PortData(
               u"python3"_s, u"8080"_s, u"5"_s,
               HTMLData{u"Caf\u00e9 \"q\" </title>"_s, AppType::storybook, std::nullopt, HttpScheme::http},
               ProcessInfo{u"/tmp/a  b/$(x)"_s, u"echo `id` 'q'"_s})
        << QByteArray(
               R"j({"htmlData":{"appType":"storybook","scheme":"http","title":"Café \"q\" </title>"},)j"
               R"j("pid":"5","port":"8080","processInfo":{"cmd":"echo `id` 'q'","cwd":"/tmp/a  b/$(x)"},)j"
               R"j("processName":"python3"})j");
}

void RecordsTest::storedForm()
{
    QFETCH(PortData, entry);
    QFETCH(QByteArray, json);
    QCOMPARE(QJsonDocument(entry.toJson()).toJson(QJsonDocument::Compact), json);
    const auto decoded = PortData::fromJson(parse(json));
    QVERIFY(decoded);
    QCOMPARE(*decoded, entry);
}

void RecordsTest::decodingRejectsBrokenRecords_data()
{
    QTest::addColumn<QByteArray>("json");
    const QByteArray head = R"({"processName":"node","port":"3000","pid":"1",)";
    QTest::newRow("unknown app type")
        << head + R"("htmlData":{"title":"t","appType":"vue","scheme":"http"}})";
    QTest::newRow("app type in capitals")
        << head + R"("htmlData":{"title":"t","appType":"React","scheme":"http"}})";
    QTest::newRow("unknown scheme") << head + R"("htmlData":{"title":"t","appType":"react","scheme":"ftp"}})";
    QTest::newRow("scheme in capitals")
        << head + R"("htmlData":{"title":"t","appType":"react","scheme":"HTTP"}})";
    QTest::newRow("page without title") << head + R"("htmlData":{"appType":"react","scheme":"http"}})";
    QTest::newRow("page not an object") << head + R"("htmlData":"x"})";
    QTest::newRow("origin without cmd") << head + R"("processInfo":{"cwd":"/"}})";
    QTest::newRow("port as number") << QByteArray(R"({"processName":"node","port":3000,"pid":"1"})");
    QTest::newRow("missing pid") << QByteArray(R"({"processName":"node","port":"3000"})");
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
    QCOMPARE(*decoded, node(HTMLData{u"t"_s, AppType::react, u"/f"_s, HttpScheme::http}, {}, "1"));
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
