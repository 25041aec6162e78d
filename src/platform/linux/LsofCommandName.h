#pragma once

#include <QByteArray>
#include <QString>

namespace tidewell {

// lsof's COMMAND column for a process's raw name: space as \x20, backslash doubled, \b \f \n \r
// \t by their letters, other control bytes as ^X, bytes from 0x7f up as \xNN; then cut to nine
// characters without splitting an escape (an escape that would cross the ninth is left out).
QString lsofCommandName(const QByteArray& rawName);
// The same escapes over the whole name, uncut: the kernel keeps up to 15 bytes of it, which say
// more than lsof's nine ("jupyter-noteboo", not "jupyter-n").
QString escapedCommandName(const QByteArray& rawName);

} // namespace tidewell
