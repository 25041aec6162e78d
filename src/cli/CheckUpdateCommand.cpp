#include "cli/CheckUpdateCommand.h"

#include "records/DisplayText.h"

#include <QEventLoop>

#include <optional>

namespace tidewell {

namespace {

void printLine(std::FILE* file, const QString& line)
{
    std::fprintf(file, "%s\n", line.toUtf8().constData());
}

} // namespace

CheckUpdateCommand::CheckUpdateCommand(UpdateService service) : m_service(std::move(service)) {}

int CheckUpdateCommand::run(std::FILE* out, std::FILE* err)
{
    if (!m_service.isSetUp()) {
        printLine(err, UpdateService::kNotSetUp);
        return kNotSetUp;
    }
    std::optional<Result<CheckForUpdateResult>> outcome;
    QEventLoop loop;
    m_service.check([&outcome, &loop](Result<CheckForUpdateResult> answer) {
        outcome = std::move(answer);
        loop.quit();
    });
    loop.exec();

    if (!*outcome) {
        printLine(err, UpdateService::kCheckFailed);
        printLine(err, DisplayText::oneLine(outcome->error()));
        return kFailed;
    }
    // The service's text may hold line breaks, terminal escapes or bidirectional controls: each value
    // keeps its one line, in its own order.
    const CheckForUpdateResult& answer = outcome->value();
    printLine(out, DisplayText::oneLine(answer.message));
    if (answer.version)
        printLine(out, DisplayText::oneLine(*answer.version));
    if (answer.download_link)
        printLine(out, DisplayText::oneLine(*answer.download_link));
    std::fflush(out);
    return 0;
}

} // namespace tidewell
