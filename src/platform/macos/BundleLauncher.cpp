#include "platform/macos/BundleLauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

namespace tidewell {

BundleLauncher::BundleLauncher(QString helperBundle) : m_helperBundle(std::move(helperBundle)) {}

Result<QString> BundleLauncher::mainBundlePath(const QString& helperBundle)
{
    QStringList components = helperBundle.split(u'/', Qt::SkipEmptyParts);
    if (components.size() < 4)
        return Result<QString>::failure(
            QCoreApplication::translate("BundleLauncher",
                                        "The helper at %1 does not lie inside the main application's bundle")
                .arg(helperBundle));
    components.resize(components.size() - 4);
    return Result<QString>::success(QStringLiteral("/") + components.join(u'/'));
}

MainProgramLauncher::Launch BundleLauncher::launch()
{
    const Result<QString> bundle = mainBundlePath(m_helperBundle);
    if (!bundle)
        return Launch::failure(bundle.error());
    QProcess open;
    open.start(QStringLiteral("/usr/bin/open"), {bundle.value()});
    if (!open.waitForFinished(kOpenTimeoutMs))
        return Launch::failure(open.errorString());
    if (open.exitStatus() != QProcess::NormalExit || open.exitCode() != 0) {
        const QString reason = QString::fromUtf8(open.readAllStandardError()).trimmed();
        return Launch::failure(
            reason.isEmpty()
                ? QCoreApplication::translate("BundleLauncher", "open failed on %1").arg(bundle.value())
                : reason);
    }
    return Launch::success({});
}

} // namespace tidewell
