#include "platform/linux/PortalAppearance.h"
#include "support/PrivateSessionBus.h"
#include "support/TestProcesses.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

using Scheme = DesktopAppearance::ColorScheme;

namespace {

// The Python that python3-dbus and python3-gi install into.
const QString kSystemPython = u"/usr/bin/python3"_s;

} // namespace

// The desktop's colour scheme read from a portal on a session bus of the test's own, which serves
// the setting as xdg-desktop-portal does and changes it when told to.
class AppearanceTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (findProgram(u"dbus-daemon"_s).isEmpty())
            QSKIP("dbus-daemon is not installed (scripts/install-deps.sh installs it)");
        QProcess check;
        check.start(kSystemPython, {u"-c"_s, u"import dbus, gi"_s});
        if (!check.waitForFinished(20000) || check.exitCode() != 0)
            QSKIP("python3-dbus and python3-gi are not installed (scripts/install-deps.sh installs them)");
    }

    void followsThePortal_data()
    {
        QTest::addColumn<int>("first"); // the portal's value at start, -1 for no portal at all
        QTest::addColumn<int>("next");  // the desktop's next choice
        QTest::addColumn<Scheme>("before");
        QTest::addColumn<Scheme>("after");
        QTest::newRow("dark, then light") << 1 << 2 << Scheme::dark << Scheme::light;
        QTest::newRow("dark, then no preference") << 1 << 0 << Scheme::dark << Scheme::noPreference;
        QTest::newRow("no preference, then dark") << 0 << 1 << Scheme::noPreference << Scheme::dark;
        QTest::newRow("no portal") << -1 << 1 << Scheme::noPreference << Scheme::noPreference;
    }

    void followsThePortal()
    {
        QFETCH(int, first);
        QFETCH(int, next);
        QFETCH(Scheme, before);
        QFETCH(Scheme, after);
        PrivateSessionBus bus;
        QVERIFY(!bus.address().isEmpty());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
        std::unique_ptr<ChildProcess> portal;
        if (first >= 0) {
            portal = std::make_unique<ChildProcess>(
                kSystemPython,
                QStringList{QStringLiteral(TIDEWELL_TEST_DATA_DIR "/appearance_portal.py"),
                            QString::number(first)},
                QString(), environment);
            QVERIFY(portal->waitUntilReady(20000));
        }
        // A name of its own for each case: a name in use would give back the last case's connection.
        const QString name = QString::fromLatin1(QTest::currentDataTag()) + QString::number(++m_connections);
        const QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), name);
        QVERIFY(connection.isConnected());
        PortalAppearance appearance(connection);
        QSignalSpy changes(&appearance, &DesktopAppearance::colorSchemeChanged);
        // The first answer arrives without the interface waiting for it.
        QCOMPARE(appearance.colorScheme(), Scheme::noPreference);
        if (before != Scheme::noPreference)
            QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), before, 20000);
        if (!portal) {
            // The bus answers in order: once a later call is answered, the failed read is back too.
            QVERIFY(connection.interface()->isServiceRegistered(u"org.freedesktop.DBus"_s).value());
            QCoreApplication::processEvents();
            QCOMPARE(changes.count(), 0);
            QCOMPARE(appearance.colorScheme(), after);
            return;
        }
        // The read has been answered once the portal has seen this connection's call; a change
        // sent after it is the newer news.
        QTRY_COMPARE_WITH_TIMEOUT(changes.count(), before == Scheme::noPreference ? 0 : 1, 20000);
        portal->process().write(QByteArray::number(next) + '\n');
        QTRY_VERIFY_WITH_TIMEOUT(portal->output().contains("changed"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), after, 20000);
        QCOMPARE(changes.constLast().at(0).value<Scheme>(), after);
        QDBusConnection::disconnectFromBus(name);
    }

private:
    int m_connections = 0;
};

QTEST_GUILESS_MAIN(AppearanceTest)
#include "tst_appearance.moc"
