#include "platform/Diagnostics.h"
#include "quicklaunch/QuickLaunchItemData.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "records/PortData.h"
#include "state/AppState.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;

namespace {

const QString kFirstUuid = QStringLiteral("0B1E6B0A-3F5C-4C11-9D1A-6A2F2E0C7A11");
const QString kSecondUuid = QStringLiteral("F3A9C2D4-7B8E-4E0F-A1B2-C3D4E5F60718");

// As the macOS program writes it: escaped slashes, members in no particular order, a member this
// program does not know, and an item without page data.
const QString kSavedOnMac = QStringLiteral(
    R"({"F3A9C2D4-7B8E-4E0F-A1B2-C3D4E5F60718":{"port":"8000","processName":"python3.1","creationDate":700000000.5,)"
    R"("uuid":"F3A9C2D4-7B8E-4E0F-A1B2-C3D4E5F60718","pid":"777","processInfo":{"cmd":"python3 -m http.server",)"
    R"("cwd":"\/Users\/me\/site"}},"0B1E6B0A-3F5C-4C11-9D1A-6A2F2E0C7A11":{"pinned":true,"creationDate":786000000.123,)"
    R"("processInfo":{"cwd":"\/Users\/me\/my app","cmd":"npm run dev"},"pid":"4242","uuid":)"
    R"("0B1E6B0A-3F5C-4C11-9D1A-6A2F2E0C7A11","htmlData":{"scheme":"https","title":"Shop \/ Home","appType":"nextjs",)"
    R"("favicon":"\/favicon.ico"},"processName":"node","port":"3000"}})");

PortData nodeServer()
{
    return PortData(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("4242"),
                    HTMLData{QStringLiteral("My app"), AppType::nextjs, std::nullopt, HttpScheme::http},
                    ProcessInfo{QStringLiteral("/home/me/my app"), QStringLiteral("npm run dev")});
}

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
}

QJsonObject storedObject(const AppState& state)
{
    return QJsonDocument::fromJson(state.quickLaunchData().toUtf8()).object();
}

// The settings file of a test, shared by AppState and the checks that read it directly.
class SettingsFile
{
public:
    QString path() const { return m_dir.filePath(QStringLiteral("settings.ini")); }
    std::unique_ptr<QSettings> open() const
    {
        return std::make_unique<QSettings>(path(), QSettings::IniFormat);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

class QuickLaunchTest : public QObject
{
    Q_OBJECT
private slots:
    void itemsAreNewUuidsEqualByUuidAlone();
    void loadsAListSavedOnTheMac();
    void addingToEmptyStorageStoresOneItem();
    void anItemWithoutOriginHasNoProcessInfo();
    void savingTwiceAndRemoving();
    void unreadableListIsKeptBeforeItIsReplaced_data();
    void unreadableListIsKeptBeforeItIsReplaced();
};

void QuickLaunchTest::itemsAreNewUuidsEqualByUuidAlone()
{
    const QRegularExpression canonical(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const QuickLaunchItemPtr first = QuickLaunchStore::makeQuickLaunchItem(nodeServer(), QDateTime());
    const QuickLaunchItemPtr second = QuickLaunchStore::makeQuickLaunchItem(nodeServer(), QDateTime());
    QVERIFY2(canonical.match(first->uuid()).hasMatch(), qPrintable(first->uuid()));
    // Saved from the same port, they are still two items.
    QVERIFY(!(*first == *second));
    const QuickLaunchItemData sameUuid(first->uuid(), QStringLiteral("bun"), QStringLiteral("4000"),
                                       QStringLiteral("2"), std::nullopt, std::nullopt, QDateTime());
    QVERIFY(*first == sameUuid);
    QCOMPARE(qHash(*first, 7), qHash(first->uuid(), 7));
}

void QuickLaunchTest::loadsAListSavedOnTheMac()
{
    SettingsFile file;
    AppState state(file.open());
    state.setQuickLaunchData(kSavedOnMac);

    const QList<QuickLaunchItemPtr> items = QuickLaunchStore::loadQuickLaunchItems(state);
    QCOMPARE(items.size(), 2);
    // The map's own order, by uuid; not by date.
    const QuickLaunchItemData& shop = *items[0];
    const QuickLaunchItemData& site = *items[1];
    QCOMPARE(shop.uuid(), kFirstUuid);
    QCOMPARE(shop.processName(), QStringLiteral("node"));
    QCOMPARE(shop.port(), QStringLiteral("3000"));
    QCOMPARE(shop.pid(), QStringLiteral("4242"));
    QCOMPARE(shop.htmlData(), std::optional(HTMLData{QStringLiteral("Shop / Home"), AppType::nextjs,
                                                     QStringLiteral("/favicon.ico"), HttpScheme::https}));
    QCOMPARE(shop.processInfo(),
             std::optional(ProcessInfo{QStringLiteral("/Users/me/my app"), QStringLiteral("npm run dev")}));
    QCOMPARE(shop.creationDate(), utc(2025, 11, 28, 5, 20, 0, 123));
    QCOMPARE(site.uuid(), kSecondUuid);
    QCOMPARE(site.processName(), QStringLiteral("python3.1"));
    QCOMPARE(site.htmlData(), std::optional<HTMLData>());
    QCOMPARE(site.processInfo()->cwd, QStringLiteral("/Users/me/site"));
    QCOMPARE(site.creationDate(), utc(2023, 3, 8, 20, 26, 40, 500));

    // Saving the list again keeps every item and its exact stored date.
    const QuickLaunchItemData other(QuickLaunchItemData::newUuid(), {}, {}, {}, {}, {}, QDateTime());
    QuickLaunchStore::removeQuickLaunchItem(other, state);
    const QJsonObject saved = storedObject(state);
    QCOMPARE(saved.keys(), (QStringList{kFirstUuid, kSecondUuid}));
    const QJsonObject savedShop = saved.value(kFirstUuid).toObject();
    QCOMPARE(savedShop.value(QStringLiteral("creationDate")).toDouble(), 786000000.123);
    QCOMPARE(
        savedShop.value(QStringLiteral("processInfo")).toObject().value(QStringLiteral("cwd")).toString(),
        QStringLiteral("/Users/me/my app"));
    QVERIFY(!saved.value(kSecondUuid).toObject().contains(QStringLiteral("htmlData")));
}

void QuickLaunchTest::addingToEmptyStorageStoresOneItem()
{
    SettingsFile file;
    AppState state(file.open());
    Diagnostics::Capture output;
    const QuickLaunchItemPtr item = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state);

    const QJsonObject stored = storedObject(state);
    QCOMPARE(stored.keys(), QStringList{item->uuid()});
    const QJsonObject member = stored.value(item->uuid()).toObject();
    QCOMPARE(member.value(QStringLiteral("uuid")).toString(), item->uuid());
    QCOMPARE(member.value(QStringLiteral("port")).toString(), QStringLiteral("3000"));
    QVERIFY(member.value(QStringLiteral("creationDate")).isDouble());
    // Compact JSON, kept in the user's store across runs.
    QVERIFY(!state.quickLaunchData().contains(QLatin1Char('\n')));
    QCOMPARE(AppState(file.open()).quickLaunchData(), state.quickLaunchData());

    // The map's description, then the stored text.
    const QStringList lines = output.lines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains(item->uuid()), qPrintable(lines[0]));
    QCOMPARE(lines[1], state.quickLaunchData());
    // Nothing was unreadable, so nothing was kept aside.
    QCOMPARE(file.open()->allKeys(), QStringList{AppState::kQuickLaunchKey});
}

void QuickLaunchTest::anItemWithoutOriginHasNoProcessInfo()
{
    SettingsFile file;
    AppState state(file.open());
    const PortData bare(QStringLiteral("deno"), QStringLiteral("8080"), QStringLiteral("55"));
    const QuickLaunchItemPtr item = QuickLaunchStore::addQuickLaunchItem(bare, state);
    const QJsonObject member = storedObject(state).value(item->uuid()).toObject();
    QVERIFY(!member.contains(QStringLiteral("processInfo")));
    QVERIFY(!member.contains(QStringLiteral("htmlData")));
    const QList<QuickLaunchItemPtr> items = QuickLaunchStore::loadQuickLaunchItems(state);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0]->processInfo(), std::optional<ProcessInfo>());
    QCOMPARE(items[0]->processName(), QStringLiteral("deno"));
}

void QuickLaunchTest::savingTwiceAndRemoving()
{
    SettingsFile file;
    AppState state(file.open());
    const QuickLaunchItemPtr first = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state);
    const QuickLaunchItemPtr second = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state);
    QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(state).size(), 2);

    const QString before = state.quickLaunchData();
    const QuickLaunchItemPtr unknown = QuickLaunchStore::makeQuickLaunchItem(nodeServer(), QDateTime());
    QuickLaunchStore::removeQuickLaunchItem(*unknown, state);
    QCOMPARE(state.quickLaunchData(), before);

    QuickLaunchStore::removeQuickLaunchItem(*first, state);
    QCOMPARE(storedObject(state).keys(), QStringList{second->uuid()});
    QuickLaunchStore::removeQuickLaunchItem(*second, state);
    QCOMPARE(state.quickLaunchData(), QStringLiteral("{}"));
}

void QuickLaunchTest::unreadableListIsKeptBeforeItIsReplaced_data()
{
    QTest::addColumn<QString>("stored");
    const QString good = QStringLiteral(R"({"uuid":"A","processName":"node","port":"3000","pid":"1",)"
                                        R"("creationDate":1.5})");
    QTest::newRow("an item without creationDate")
        << QStringLiteral(R"({"A":%1,"B":{"uuid":"B","processName":"node","port":"3001","pid":"2"}})")
               .arg(good);
    QTest::newRow("creationDate as text") << QStringLiteral(
        R"({"B":{"uuid":"B","processName":"n","port":"1","pid":"2","creationDate":"2025"}})");
    QTest::newRow("port as number") << QStringLiteral(
        R"({"B":{"uuid":"B","processName":"n","port":3000,"pid":"2","creationDate":1}})");
    QTest::newRow("app type nobody knows")
        << QStringLiteral(
               R"({"A":%1,"B":{"uuid":"B","processName":"n","port":"1","pid":"2","creationDate":1,)"
               R"("htmlData":{"title":"t","appType":"vue","scheme":"http"}}})")
               .arg(good);
    QTest::newRow("item that is not an object") << QStringLiteral(R"({"A":%1,"B":"B"})").arg(good);
    QTest::newRow("a list instead of a map") << QStringLiteral(R"([%1])").arg(good);
    QTest::newRow("not JSON") << QStringLiteral(R"({"A":)");
}

void QuickLaunchTest::unreadableListIsKeptBeforeItIsReplaced()
{
    QFETCH(QString, stored);
    SettingsFile file;
    AppState state(file.open());
    state.setQuickLaunchData(stored);

    QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(state).size(), 0);
    const QuickLaunchItemData any(QStringLiteral("A"), {}, {}, {}, {}, {}, QDateTime());
    QuickLaunchStore::removeQuickLaunchItem(any, state);
    QCOMPARE(state.quickLaunchData(), stored);

    const QDateTime now = utc(2025, 12, 6, 5, 46, 40, 900);
    Diagnostics::Capture output;
    const QuickLaunchItemPtr item = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state, now);
    // Whole seconds since 1970 of `now`.
    const QString key = QStringLiteral("bc_quickLaunch.unreadable.1765000000");

    QCOMPARE(file.open()->value(key).toString(), stored);
    QCOMPARE(output.lines().value(0),
             QStringLiteral("Quick launch: kept the unreadable saved list under ") + key);
    QCOMPARE(storedObject(state).keys(), QStringList{item->uuid()});
    QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(state).size(), 1);
}

QTEST_GUILESS_MAIN(QuickLaunchTest)
#include "tst_quicklaunch.moc"
