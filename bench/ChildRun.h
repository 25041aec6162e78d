#pragma once

#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace tidewell::bench {

// Runs this bench program again as `--run MODE --seconds N` (and `extra`) on the offscreen platform
// and reads the "name: value" figures it prints, so that each mode is measured in a process of its own.
inline QMap<QString, double> measureInChild(const QString& mode, int seconds, bool* ok,
                                            const QStringList& extra = {})
{
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.start(
        QCoreApplication::applicationFilePath(),
        QStringList{QStringLiteral("--run"), mode, QStringLiteral("--seconds"), QString::number(seconds)} +
            extra);
    *ok = run.waitForFinished(-1) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
    QMap<QString, double> figures;
    for (const QByteArray& line : run.readAllStandardOutput().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            figures.insert(QString::fromUtf8(line.left(colon)), line.mid(colon + 1).trimmed().toDouble());
    }
    return figures;
}

} // namespace tidewell::bench
