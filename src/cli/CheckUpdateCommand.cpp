#include "cli/CheckUpdateCommand.h"

#include <QEventLoop>

#include <optional>

namespace tidewell {

namespace {

// The service's text may hold line breaks or terminal escapes; each value keeps its one line.
QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return text;
}

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
        printLine(err, oneLine(outcome->error()));
        return kFailed;
    }
    const CheckForUpdateResult& answer = outcome->value();
    printLine(out, oneLine(answer.message));
    if (answer.version)
        printLine(out, oneLine(*answer.version));
    if (answer.download_link)
        printLine(out, oneLine(*answer.download_link));
    std::fflush(out);
    return 0;
}

} // namespace tidewell
