#pragma once

#include "support/TestProcesses.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <unistd.h>

namespace tidewell::test {

// A Wayland compositor of the test's own: sway on its headless backend in a runtime folder of its
// own, with one keyboard plugged in from the start (a virtual one that wtype holds), as a desktop
// has: a client only binds the seat's keyboard once there is one, so keys typed with wtype alone
// could arrive before the client listens. sway will not run as root, so under root it runs as
// "nobody" (root's clients may still use its sockets). Ended with its process group when the object
// goes away.
class HeadlessCompositor
{
public:
    explicit HeadlessCompositor(QSize size = QSize(1024, 768))
    {
        const QString sway = findProgram(QStringLiteral("sway"));
        const QString setpriv = findProgram(QStringLiteral("setpriv"));
        const QString wtype = findProgram(QStringLiteral("wtype"));
        if (sway.isEmpty() || wtype.isEmpty() || !m_folder.isValid() ||
            (::geteuid() == 0 && setpriv.isEmpty()))
            return;
        const QString config = m_folder.filePath(QStringLiteral("config"));
        if (!writeFile(config, QStringLiteral("xwayland disable\noutput HEADLESS-1 resolution %1x%2\n")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .toUtf8()))
            return;
        QStringList command{sway, QStringLiteral("-c"), config};
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(qPrintable(m_folder.path()), nobody->pw_uid, nobody->pw_gid) != 0 ||
                ::chown(qPrintable(config), nobody->pw_uid, nobody->pw_gid) != 0)
                return;
            command = QStringList{setpriv, QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                                  QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                                  QStringLiteral("--clear-groups")} +
                      command;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder.path());
        environment.insert(QStringLiteral("HOME"), m_folder.path());
        environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        const QString program = command.takeFirst();
        m_compositor = std::make_unique<ChildProcess>(program, command, QString(), environment,
                                                      QProcess::SeparateChannels);
        // Both sockets exist once it accepts clients; a compositor that never makes them leaves
        // socket() empty, which callers check.
        const QDir folder(m_folder.path());
        (void)QTest::qWaitFor(
            [&] {
                const QStringList wayland = folder.entryList({QStringLiteral("wayland-?")}, QDir::System);
                const QStringList ipc = folder.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
                if (wayland.isEmpty() || ipc.isEmpty())
                    return m_compositor->process().state() == QProcess::NotRunning;
                m_socket = folder.filePath(wayland.first());
                m_ipcSocket = folder.filePath(ipc.first());
                return true;
            },
            20000);
        if (m_socket.isEmpty())
            return;
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        // It presses nothing for ten minutes, longer than any test runs; it is ended before then.
        m_keyboard =
            std::make_unique<ChildProcess>(wtype,
                                           QStringList{QStringLiteral("-s"), QStringLiteral("600000"),
                                                       QStringLiteral("-k"), QStringLiteral("Shift_L")},
                                           QString(), environment);
        // Plugged in once sway lists it.
        (void)QTest::qWaitFor(
            [&] {
                return runProgram(findProgram(QStringLiteral("swaymsg")),
                                  {QStringLiteral("-s"), m_ipcSocket, QStringLiteral("-t"),
                                   QStringLiteral("get_inputs")},
                                  environment, 10000)
                    .out.contains("virtual_keyboard");
            },
            20000);
    }

    // The full path of the Wayland socket, for WAYLAND_DISPLAY; empty when sway could not start.
    QString socket() const { return m_socket; }
    // The path of sway's command socket, for SWAYSOCK.
    QString ipcSocket() const { return m_ipcSocket; }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<ChildProcess> m_compositor;
    std::unique_ptr<ChildProcess> m_keyboard;
    QString m_socket;
    QString m_ipcSocket;
};

} // namespace tidewell::test
