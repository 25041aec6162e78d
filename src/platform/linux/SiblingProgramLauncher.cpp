#include "platform/linux/SiblingProgramLauncher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace tidewell {

SiblingProgramLauncher::SiblingProgramLauncher(QString program) : m_program(std::move(program)) {}

MainProgramLauncher::Launch SiblingProgramLauncher::launch()
{
    const QFileInfo info(m_program);
    if (!info.isFile() || !info.isExecutable())
        return Launch::failure(
            QCoreApplication::translate("SiblingProgramLauncher", "No program at %1").arg(m_program));
    QProcess process;
    process.setProgram(m_program);
    if (!process.startDetached())
        return Launch::failure(process.errorString());
    return Launch::success({});
}

} // namespace tidewell
