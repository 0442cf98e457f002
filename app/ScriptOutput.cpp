#include "app/ScriptOutput.h"

#include "base/UnicodeText.h"
#include "ui/StatisticsPresentation.h"

namespace scribeon {

namespace {

std::string oneField(std::string_view text) {
    return terminalSafe(text, TerminalLayout::oneLine);
}

} // namespace

std::string commandListText(const std::vector<Command>& commands,
                            const std::function<std::string(const std::string&)>& emojiFor) {
    std::string text;
    for (const Command& command : commands)
        text += oneField(emojiFor(command.code)) + '\t' + oneField(command.code) + '\t' +
                oneField(command.name) + '\n';
    return text;
}

std::string statusText(const User& user) {
    const StatisticsPresentation usage = presentStatistics(user.statistics);
    std::string text = "Signed in as " + oneField(user.name) + " <" + oneField(user.email) + ">\n";
    text += "Plan: " + oneField(planBadgeStyle(user.plan).text) + '\n';
    text += "Usage: " + usage.count + ' ' + usage.caption + '\n';
    // The date only: the time of day of a monthly reset says nothing more.
    if (user.statistics.nextResetDate && usage.resetsAt)
        text += std::string(resetsOnPrefix) + user.statistics.nextResetDate->substr(0, 10) + '\n';
    return text;
}

std::string failureText(const ServiceError& error) {
    return "scribeon: " + oneField(error.description()) + '\n';
}

std::string processOutputText(std::string text, OutputStream stream) {
    if (stream == OutputStream::terminal)
        return terminalSafe(text, TerminalLayout::lines);
    return text;
}

} // namespace scribeon
