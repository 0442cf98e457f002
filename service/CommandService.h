#pragma once

#include "platform/MainQueue.h"
#include "platform/Preferences.h"
#include "service/APIClient.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace scribeon {

// The user's commands: service calls, the local cache of the last list, the
// user's order and emoji icons. Completions run on the main queue, where the
// cache is also written.
class CommandService {
public:
    static constexpr const char* cachedCommandsKey = "cachedCommands";
    static constexpr const char* commandOrderKey = "commandOrder";
    static constexpr const char* commandEmojisKey = "commandEmojis";
    static constexpr const char* defaultEmoji = "\xF0\x9F\x93\x9D"; // 📝

    CommandService(APIClient& client, Preferences& preferences, MainQueue& queue);

    void fetchCommands(Completion<std::vector<Command>> completion);
    std::optional<std::vector<Command>> getCachedCommands();
    std::vector<Command> sortCommands(std::vector<Command> commands);
    void saveCommandOrder(const std::vector<std::string>& codes);
    std::map<std::string, std::string> getEmojis();
    void saveEmoji(const std::string& emoji, const std::string& code);
    std::string emojiFor(const std::string& code);
    // The icon of `code` in a map of chosen icons: its own, else the default.
    static std::string emojiIn(const std::map<std::string, std::string>& emojis,
                               const std::string& code);

    void processCommand(const std::string& code, const std::string& text,
                        Completion<ProcessResult> completion);
    // A run whose text comes back as the service writes it: `onDelta` gets
    // each piece in order, then `onEnd` the whole result or the failure,
    // once; both on the main queue. A service that answers in one piece gives
    // no delta. Cancelling the handle ends the exchange, and from then on
    // nothing more is delivered.
    Cancel streamCommand(const std::string& code, const std::string& text,
                         const std::function<void(std::string)>& onDelta,
                         Completion<ProcessResult> onEnd);
    void toggleCommand(const std::string& code, Completion<Command> completion);

private:
    void cacheCommands(const std::vector<Command>& commands);

    APIClient& client_;
    Preferences& preferences_;
    MainQueue& queue_;
};

} // namespace scribeon
