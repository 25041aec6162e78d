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
        // The Python that python3-dbus and python3-gi install into.
        if (QProcess::execute(m_python, {u"-c"_s, u"import dbus, gi"_s}) != 0)
            QSKIP("python3-dbus and python3-gi are not installed (scripts/install-deps.sh installs them)");
        QVERIFY(!m_bus.address().isEmpty());
    }

    // Runs before the portal below ever takes its name on this bus.
    void noPortalLeavesNoPreference()
    {
        const QDBusConnection connection = QDBusConnection::connectToBus(m_bus.address(), u"none"_s);
        PortalAppearance appearance(connection);
        QSignalSpy changes(&appearance, &DesktopAppearance::colorSchemeChanged);
        // The bus answers in order: once a later call is answered, the failed read is back too.
        QVERIFY(connection.interface()->isServiceRegistered(u"org.freedesktop.DBus"_s).value());
        QCoreApplication::processEvents();
        QCOMPARE(changes.count(), 0);
        QCOMPARE(appearance.colorScheme(), Scheme::noPreference);
    }

    // The portal's first answer, then each choice the desktop makes after it, as it makes it.
    void followsThePortal()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_bus.address());
        ChildProcess portal(m_python,
                            {QStringLiteral(TIDEWELL_TEST_DATA_DIR "/appearance_portal.py"), u"1"_s},
                            QString(), environment);
        QVERIFY(portal.waitUntilReady(20000));
        PortalAppearance appearance(QDBusConnection::connectToBus(m_bus.address(), u"portal"_s));
        QSignalSpy changes(&appearance, &DesktopAppearance::colorSchemeChanged);
        // The first answer arrives without the interface waiting for it.
        QCOMPARE(appearance.colorScheme(), Scheme::noPreference);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), Scheme::dark, 20000);
        for (const auto& [next, scheme] :
             {std::pair(2, Scheme::light), {0, Scheme::noPreference}, {1, Scheme::dark}}) {
            portal.process().write(QByteArray::number(next) + '\n');
            QTRY_COMPARE_WITH_TIMEOUT(appearance.colorScheme(), scheme, 20000);
            QCOMPARE(changes.constLast().at(0).value<Scheme>(), scheme);
        }
        QCOMPARE(changes.count(), 4);
    }

private:
    const QString m_python = u"/usr/bin/python3"_s;
    PrivateSessionBus m_bus;
};

QTEST_GUILESS_MAIN(AppearanceTest)
#include "tst_appearance.moc"
