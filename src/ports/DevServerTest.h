#pragma once

#include <QString>
#include <QStringList>

namespace tidewell {

// The process names listed as development servers, lower case, in the listing tool's form.
const QStringList& devServerProcessNames();
// The editors' own processes: listed as servers on ordinary ports, never with a stop button.
const QStringList& editorProcessNames();

// Whether an entry with this process name and port text is listed as a development server.
bool isDevServerProcess(const QString& processName, const QString& port);

} // namespace tidewell
