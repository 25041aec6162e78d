#include "records/PortData.h"
#include "records/ProjectResponse.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"

#include <QJsonDocument>
#include <QSet>
#include <QTest>

using namespace tidewell;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<tidewell::PortData>)

namespace {

const HTMLData kPage{u"My App"_s, AppType::nextjs, std::nullopt, HttpScheme::https};
const ProcessInfo kOrigin{u"/home/dev/my app"_s, u"node server.js"_s};

PortData node(const std::optional<HTMLData>& page = kPage, const std::optional<ProcessInfo>& origin = kOrigin,
              const char* pid = "42", const char* name = "node")
{
    return PortData(QString::fromLatin1(name), u"3000"_s, QString::fromLatin1(pid), page, origin);
}

// What a decoded Vercel reply holds, in one line, or "error: " and the failure text.
template <typename T>
QString described(const Result<T>& result, const std::function<QString(const T&)>& describe)
{
    return result ? describe(result.value()) : u"error: "_s + result.error();
}

QString describeProject(const ProjectObject& p)
{
    QString row = p.name + u'|' + p.framework.value_or(u"-"_s);
    if (!p.latestDeployments.isEmpty()) {
        const Deployments& d = p.latestDeployments.first();
        row += u'|' + readyStateText(d.readyState) + u'|' +
               (d.deployedAt() ? QString::number(*d.deployedAt(), 'f', 0) : u"-"_s) + u'|' +
               d.meta.commitLine().value_or(u"-"_s);
    }
    return row;
}

QString describeVercel(const QByteArray& kind, const QByteArray& body)
{
    if (kind == "user")
        return described<UserResponse>(UserResponse::fromJson(body),
                                       [](const UserResponse& u) { return u.user.username; });
    if (kind == "teams")
        return described<TeamsResponse>(TeamsResponse::fromJson(body), [](const TeamsResponse& t) {
            QStringList teams;
            for (const Team& team : t.teams)
                teams.append(team.id + u'/' + team.slug + u'/' + team.avatar.value_or(u"-"_s));
            return teams.join(u' ');
        });
    const Result<ProjectResponse> projects = ProjectResponse::fromJson(body);
    // Encoding and decoding again gives the same record.
    if (projects &&
        ProjectResponse::fromJson(QJsonDocument(projects->toJson()).toJson()).value() != projects.value())
        return u"round trip differs"_s;
    return described<ProjectResponse>(projects, [](const ProjectResponse& r) {
        QStringList rows;
        for (const ProjectObject& p : r.projects)
            rows.append(describeProject(p));
        return rows.join(u' ');
    });
}

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void equalityAndHashSeeEveryField_data()
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

    void equalityAndHashSeeEveryField()
    {
        QFETCH(PortData, other);
        QFETCH(bool, same);
        const PortData base = node();
        QCOMPARE(base == other, same);
        QCOMPARE(qHash(base, 7) == qHash(other, 7), same);
        QCOMPARE(QSet<PortData>({base, other}).size(), same ? 1 : 2);
    }

    // The exact form written to the stored data, which later versions must keep reading. Members of
    // other names are ignored; a member of the wrong kind or value rejects the record.
    void jsonForm_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<PortData>>("decoded");
        QTest::addColumn<bool>("written"); // the exact form the record is written in
        const auto row = [](const char* name, const QByteArray& json, const std::optional<PortData>& decoded,
                            bool written = false) { QTest::newRow(name) << json << decoded << written; };
        HTMLData withFavicon = kPage;
        withFavicon.favicon = u"/icon.png"_s;
        row("bare, escaped name kept", R"({"pid":"7","port":"5173","processName":"Code\\x20H"})",
            PortData(u"Code\\x20H"_s, u"5173"_s, u"7"_s), true);
        row("everything",
            R"({"htmlData":{"appType":"nextjs","favicon":"/icon.png","scheme":"https","title":"My App"},)"
            R"("pid":"42","port":"3000","processInfo":{"cmd":"node server.js","cwd":"/home/dev/my app"},)"
            R"("processName":"node"})",
            node(withFavicon), true);
        row("storybook, non-ASCII",
            R"({"htmlData":{"appType":"storybook","scheme":"http","title":"Café"},"pid":"2","port":"1",)"
            R"("processName":"n"})",
            PortData(u"n"_s, u"1"_s, u"2"_s,
                     HTMLData{u"Caf\u00e9"_s, AppType::storybook, std::nullopt, HttpScheme::http}),
            true);
        const QByteArray head = R"({"processName":"node","port":"3000","pid":"1",)";
        const auto page = [&](const char* members) {
            return head + R"("htmlData":{"title":"t",)" + members + "}}";
        };
        row("unknown members",
            head + R"("extra":[1,2],"htmlData":{"title":"t","appType":"react",)"
                   R"("scheme":"http","favicon":"/f","more":true}})",
            node(HTMLData{u"t"_s, AppType::react, u"/f"_s, HttpScheme::http}, {}, "1"));
        row("unknown app type", page(R"("appType":"vue","scheme":"http")"), std::nullopt);
        row("app type in capitals", page(R"("appType":"React","scheme":"http")"), std::nullopt);
        row("unknown scheme", page(R"("appType":"react","scheme":"ftp")"), std::nullopt);
        row("scheme in capitals", page(R"("appType":"react","scheme":"HTTP")"), std::nullopt);
        row("page without title", head + R"("htmlData":{"appType":"react","scheme":"http"}})", std::nullopt);
        row("page not an object", head + R"("htmlData":"x"})", std::nullopt);
        row("origin without cmd", head + R"("processInfo":{"cwd":"/"}})", std::nullopt);
        row("port as number", R"({"processName":"node","port":3000,"pid":"1"})", std::nullopt);
        row("missing pid", R"({"processName":"node","port":"3000"})", std::nullopt);
    }

    void jsonForm()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<PortData>, decoded);
        QCOMPARE(PortData::fromJson(QJsonDocument::fromJson(json).object()), decoded);
        QFETCH(bool, written);
        if (written)
            QCOMPARE(QJsonDocument(decoded->toJson()).toJson(QJsonDocument::Compact), json);
    }

    void vercelReplies_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray deployment =
            R"({"id":"d","readyState":"READY","readyAt":1700000000000,"buildingAt":1600000000000,
            "meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"fix <b>it</b>"}})";
        auto projects = [](const QByteArray& project) { return "{\"projects\":[" + project + "]}"; };
        auto project = [](const QByteArray& members) {
            return R"({"id":"p","name":"shop",)" + members + "}";
        };
        auto deployed = [&](const QByteArray& latest) {
            return projects(project(R"("latestDeployments":[)" + latest + "]"));
        };
        const auto row = [](const char* name, const char* kind, const QByteArray& body,
                            const char* expected) {
            QTest::newRow(name) << QByteArray(kind) << body << QString::fromUtf8(expected);
        };
        row("user with extra members", "user", R"({"user":{"username":"ann","email":"a@b"}})", "ann");
        row("teams, avatar optional", "teams",
            R"({"teams":[{"id":"t1","name":"A","slug":"a","avatar":"x"},)"
            R"({"id":"t2","name":"B","slug":"b","avatar":null}]})",
            "t1/a/x t2/b/-");
        row("every member", "projects",
            projects(project(R"("framework":"nextjs","latestDeployments":[)" + deployment + "]")),
            "shop|nextjs|READY|1700000000000|ann: fix <b>it</b>");
        row("missing framework", "projects", projects(project(R"("latestDeployments":[])")), "shop|-");
        row("building only", "projects",
            deployed(R"({"id":"d","readyState":"BUILDING","buildingAt":5,"meta":{}})"),
            "shop|-|BUILDING|5|-");
        row("no times, author only", "projects",
            deployed(R"({"id":"d","readyState":"QUEUED","meta":{"githubCommitAuthorName":"ann"}})"),
            "shop|-|QUEUED|-|-");
        row("unknown ready state fails the whole reply", "projects",
            "{\"projects\":[" + project(R"("latestDeployments":[])") + "," +
                project(R"("latestDeployments":[{"id":"d","readyState":"SLEEPING","meta":{}}])") + "]}",
            R"(error: Unknown readyState "SLEEPING" at projects[1].latestDeployments[0])");
        row("ready state not a string", "projects", deployed(R"({"id":"d","readyState":1,"meta":{}})"),
            R"(error: Member "readyState" holds a number of the wrong kind at projects[0].latestDeployments[0])");
        row("deployment without meta", "projects", deployed(R"({"id":"d","readyState":"READY"})"),
            R"(error: Missing member "meta" at projects[0].latestDeployments[0])");
    }

    void vercelReplies()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, body);
        QTEST(describeVercel(kind, body), "expected");
    }
};

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
