#pragma once

#include <QString>
#include <QStringList>

namespace tidewell {

// The process names listed as development servers, lower case, in the listing tool's form.
const QStringList& devServerProcessNames();
// The editors' own processes: listed as servers on ordinary ports, never with a stop button.
const QStringList& editorProcessNames();
// Daemons that speak no HTTP (databases, caches, brokers, sshd, X servers), lower case: never sent
// a request and never listed as servers, whoever started them.
const QStringList& nonHttpDaemonNames();

// A process name as the listing tool prints it: cut to nine characters, never inside an escape
// ("Code\x20Helper" gives "Code\x20H"). Names the host gives whole are compared in this form.
QString listingToolCut(const QString& processName);
// The runtime an executable is ("node", "bun", "deno", "python"), from its file name with any
// version suffix ("python3.11", "nodejs"); empty for any other program.
QString runtimeOfExecutable(const QString& path);
// The same read from a process name, where the listing gives no executable (lsof prints the
// executable's name on macOS).
QString runtimeOfProcessName(const QString& processName);

// Whether an entry with this process name and port text is listed as a development server, by
// its name alone.
bool isDevServerProcess(const QString& processName, const QString& port);
bool isNonHttpDaemon(const QString& processName, const QString& executable);
bool isEditorsOwnListener(const QString& processName, const QString& port);

} // namespace tidewell
