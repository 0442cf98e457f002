#include "platform/wayland/ToolProcess.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace scribeon {

namespace {

constexpr int startTimeoutMs = 1000;
constexpr int finishTimeoutMs = 1500;

} // namespace

std::optional<ToolProcess::Outcome> ToolProcess::run(const std::string& program,
                                                     const std::vector<std::string>& arguments,
                                                     const std::optional<std::string>& input,
                                                     bool readOutput) {
    QProcess process;
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    // wl-copy leaves a child behind that serves the clipboard; it must not
    // hold our pipes open.
    if (!readOutput)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!input)
        process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), list);
    if (!process.waitForStarted(startTimeoutMs))
        return std::nullopt;
    if (input) {
        process.write(QByteArray::fromStdString(*input));
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(finishTimeoutMs)) {
        process.kill();
        process.waitForFinished(startTimeoutMs);
        return std::nullopt;
    }
    Outcome outcome;
    outcome.exitedOk = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (readOutput)
        outcome.output = process.readAllStandardOutput().toStdString();
    return outcome;
}

bool ToolProcess::isInstalled(const std::string& program) {
    return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
}

} // namespace scribeon
