#include "app/ScriptOutput.h"

#include "ui/StatisticsPresentation.h"

#include <algorithm>

namespace scribeon {

namespace {

std::string oneField(std::string text) {
    std::replace_if(
        text.begin(), text.end(),
        [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }, ' ');
    return text;
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

} // namespace scribeon
