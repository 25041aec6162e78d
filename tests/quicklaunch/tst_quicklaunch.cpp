#include "quicklaunch/QuickLaunchItemData.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "records/PortData.h"
#include "state/AppState.h"
#include "support/LogCapture.h"
#include "support/TestProcesses.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

const QString kFirstUuid = u"0B1E6B0A-3F5C-4C11-9D1A-6A2F2E0C7A11"_s;
const QString kSecondUuid = u"F3A9C2D4-7B8E-4E0F-A1B2-C3D4E5F60718"_s;

// As the macOS program writes it: escaped slashes, members in no particular order, a member this
// program does not know, and an item without page data or origin.
const QString kSavedOnMac =
    uR"({"F3A9C2D4-7B8E-4E0F-A1B2-C3D4E5F60718":{"port":"8000","processName":"python3.1",)"
    R"("creationDate":700000000.5,"uuid":"F3A9C2D4-7B8E-4E0F-A1B2-C3D4E5F60718","pid":"777"},)"
    R"("0B1E6B0A-3F5C-4C11-9D1A-6A2F2E0C7A11":{"pinned":true,"creationDate":786000000.123,)"
    R"("processInfo":{"cwd":"\/Users\/me\/my app","cmd":"npm run dev"},"pid":"4242","uuid":)"
    R"("0B1E6B0A-3F5C-4C11-9D1A-6A2F2E0C7A11","htmlData":{"scheme":"https","title":)"
    R"("Shop \/ Home","appType":"nextjs","favicon":"\/favicon.ico"},"processName":"node","port":"3000"}})"_s;

PortData nodeServer()
{
    return PortData(u"node"_s, u"3000"_s, u"4242"_s,
                    HTMLData{u"My app"_s, AppType::nextjs, std::nullopt, HttpScheme::http},
                    ProcessInfo{u"/home/me/my app"_s, u"npm run dev"_s});
}

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
}

QJsonObject storedObject(const AppState& state)
{
    return QJsonDocument::fromJson(state.quickLaunchData().toUtf8()).object();
}

// The settings file in `dir`, shared by AppState and the checks that read it directly.
std::unique_ptr<QSettings> settingsIn(const QTemporaryDir& dir)
{
    return std::make_unique<QSettings>(dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
}

} // namespace

class QuickLaunchTest : public QObject
{
    Q_OBJECT
private slots:
    void loadsAndKeepsAListSavedOnTheMac()
    {
        QTemporaryDir dir;
        AppState state(settingsIn(dir));
        state.setQuickLaunchData(kSavedOnMac);
        QJsonObject expected = QJsonDocument::fromJson(kSavedOnMac.toUtf8()).object();
        QJsonObject shop = expected.value(kFirstUuid).toObject();
        shop.remove(u"pinned"_s);
        expected.insert(kFirstUuid, shop);
        const QList<QuickLaunchItemPtr> items = QuickLaunchStore::loadQuickLaunchItems(state);
        // The map's own order, by uuid; not by date.
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->toJson(), shop);
        QCOMPARE(items[0]->creationDate(), utc(2025, 11, 28, 5, 20, 0, 123));
        QCOMPARE(items[1]->toJson(), expected.value(kSecondUuid).toObject());
        QCOMPARE(items[1]->creationDate(), utc(2023, 3, 8, 20, 26, 40, 500));
        // Saving the list again keeps every item and its exact stored date.
        const QuickLaunchItemData other(QuickLaunchItemData::newUuid(), {}, {}, {}, {}, {}, QDateTime());
        QuickLaunchStore::removeQuickLaunchItem(other, state);
        QCOMPARE(storedObject(state), expected);
    }

    // Saved from the same port twice, they are two items, each with a new uuid that alone makes it equal
    // to another; removing an unknown one changes nothing.
    void savingTwiceAndRemoving()
    {
        QTemporaryDir dir;
        AppState state(settingsIn(dir));
        LogCapture output;
        const QuickLaunchItemPtr first = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state);
        // The map's description, then the stored text: compact JSON, kept in the user's store across runs.
        QCOMPARE(output.lines().size(), 2);
        QVERIFY2(output.lines()[0].contains(first->uuid()), qPrintable(output.lines()[0]));
        QCOMPARE(output.lines()[1], state.quickLaunchData());
        const QRegularExpression canonical(
            u"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s);
        QVERIFY2(canonical.match(first->uuid()).hasMatch(), qPrintable(first->uuid()));
        QVERIFY(*first ==
                QuickLaunchItemData(first->uuid(), u"bun"_s, u"4000"_s, u"2"_s, {}, {}, QDateTime()));
        QCOMPARE(qHash(*first, 7), qHash(first->uuid(), 7));
        const QuickLaunchItemPtr second = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state);
        QCOMPARE(AppState(settingsIn(dir)).quickLaunchData(), state.quickLaunchData());
        QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(state).size(), 2);
        // Nothing was unreadable, so nothing was kept aside.
        QCOMPARE(settingsIn(dir)->allKeys(), QStringList{AppState::kQuickLaunchKey});
        const QString before = state.quickLaunchData();
        QuickLaunchStore::removeQuickLaunchItem(
            *QuickLaunchStore::makeQuickLaunchItem(nodeServer(), QDateTime()), state);
        QCOMPARE(state.quickLaunchData(), before);
        QuickLaunchStore::removeQuickLaunchItem(*first, state);
        QCOMPARE(storedObject(state).keys(), QStringList{second->uuid()});
        QuickLaunchStore::removeQuickLaunchItem(*second, state);
        QCOMPARE(state.quickLaunchData(), u"{}"_s);
    }

    void unreadableListIsKeptBeforeItIsReplaced_data()
    {
        QTest::addColumn<QVariant>("stored");
        const QString good = uR"({"uuid":"A","processName":"node","port":"3000","pid":"1",)"
                             R"("creationDate":1.5})"_s;
        QTest::newRow("an item without creationDate") << QVariant(
            uR"({"A":%1,"B":{"uuid":"B","processName":"node","port":"3001","pid":"2"}})"_s.arg(good));
        QTest::newRow("creationDate as text") << QVariant(
            uR"({"B":{"uuid":"B","processName":"n","port":"1","pid":"2","creationDate":"2025"}})"_s);
        QTest::newRow("port as number")
            << QVariant(uR"({"B":{"uuid":"B","processName":"n","port":3000,"pid":"2","creationDate":1}})"_s);
        QTest::newRow("app type nobody knows")
            << QVariant(uR"({"A":%1,"B":{"uuid":"B","processName":"n","port":"1","pid":"2","creationDate":1,)"
                        R"("htmlData":{"title":"t","appType":"vue","scheme":"http"}}})"_s.arg(good));
        QTest::newRow("item that is not an object") << QVariant(uR"({"A":%1,"B":"B"})"_s.arg(good));
        QTest::newRow("a list instead of a map") << QVariant(uR"([%1])"_s.arg(good));
        QTest::newRow("not JSON") << QVariant(uR"({"A":)"_s);
        QTest::newRow("stored as a map") << QVariant(QVariantMap{{u"A"_s, 1}});
        // Bytes: the line as typed into the file by hand, an unquoted JSON text with commas, which the
        // file's reader splits into a list and strips of its inner quotes. The copy keeps the text.
        QTest::newRow("stored as a list, typed into the file")
            << QVariant(QByteArray(R"({"A":{"uuid":"A","port":"3000"},"B":{"uuid":"B"}})"));
    }

    void unreadableListIsKeptBeforeItIsReplaced()
    {
        QFETCH(QVariant, stored);
        QTemporaryDir dir;
        const bool typed = stored.typeId() == QMetaType::QByteArray;
        if (typed)
            QVERIFY(writeFile(dir.filePath(u"settings.ini"_s), "[General]\n" +
                                                                   AppState::kQuickLaunchKey.toUtf8() + '=' +
                                                                   stored.toByteArray() + '\n'));
        else
            settingsIn(dir)->setValue(AppState::kQuickLaunchKey, stored);
        const QVariant read = settingsIn(dir)->value(AppState::kQuickLaunchKey);
        AppState state(settingsIn(dir));
        QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(state).size(), 0);
        const QuickLaunchItemData any(u"A"_s, {}, {}, {}, {}, {}, QDateTime());
        QuickLaunchStore::removeQuickLaunchItem(any, state);
        QCOMPARE(settingsIn(dir)->value(AppState::kQuickLaunchKey), read);
        const QDateTime now = utc(2025, 12, 6, 5, 46, 40, 900);
        LogCapture output;
        const QuickLaunchItemPtr item = QuickLaunchStore::addQuickLaunchItem(nodeServer(), state, now);
        // Whole seconds since 1970 of `now`.
        const QString key = u"bc_quickLaunch.unreadable.1765000000"_s;
        QCOMPARE(settingsIn(dir)->value(key),
                 typed ? QVariant(QString::fromUtf8(stored.toByteArray())) : stored);
        QCOMPARE(output.lines().value(0), u"Quick launch: kept the unreadable saved list under "_s + key);
        QCOMPARE(storedObject(state).keys(), QStringList{item->uuid()});
        QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(state).size(), 1);
    }
};

QTEST_GUILESS_MAIN(QuickLaunchTest)
#include "tst_quicklaunch.moc"
