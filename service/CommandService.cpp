#include "service/CommandService.h"

#include "service/DeliverOnMain.h"
#include "service/URLSyntax.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace scribeon {

CommandService::CommandService(APIClient& client, Preferences& preferences, MainQueue& queue)
    : client_(client), preferences_(preferences), queue_(queue) {}

void CommandService::fetchCommands(Completion<std::vector<Command>> completion) {
    client_.request<CommandsResponse>(
        "/commands", "GET", true,
        deliverOnMain<CommandsResponse>(queue_, [this, completion = std::move(completion)](
                                                    ServiceResult<CommandsResponse> reply) {
            if (!reply) {
                completion(reply.error());
                return;
            }
            cacheCommands(reply.value().data);
            completion(std::move(reply.value().data));
        }));
}

void CommandService::cacheCommands(const std::vector<Command>& commands) {
    auto bytes = encodeBody(commands);
    if (bytes)
        preferences_.setData(cachedCommandsKey, bytes.value());
}

std::optional<std::vector<Command>> CommandService::getCachedCommands() {
    auto bytes = preferences_.data(cachedCommandsKey);
    if (!bytes)
        return std::nullopt;
    auto commands = decodeCommandList(*bytes);
    if (!commands)
        return std::nullopt;
    return std::move(commands.value());
}

std::vector<Command> CommandService::sortCommands(std::vector<Command> commands) {
    const auto order = preferences_.textList(commandOrderKey);
    if (!order || order->empty())
        return commands;
    std::unordered_map<std::string_view, std::size_t> rank;
    rank.reserve(order->size());
    for (std::size_t i = 0; i < order->size(); ++i)
        rank.emplace((*order)[i], i); // emplace keeps the first position of a repeated code
    // Each command's rank is looked up once, not on every comparison.
    std::vector<std::pair<std::size_t, std::size_t>> ranked; // (rank, position)
    ranked.reserve(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        auto it = rank.find(commands[i].code);
        ranked.emplace_back(it == rank.end() ? std::numeric_limits<std::size_t>::max() : it->second,
                            i);
    }
    std::sort(ranked.begin(), ranked.end()); // position breaks ties: stable
    std::vector<Command> sorted;
    sorted.reserve(commands.size());
    for (const auto& entry : ranked)
        sorted.push_back(std::move(commands[entry.second]));
    return sorted;
}

void CommandService::saveCommandOrder(const std::vector<std::string>& codes) {
    preferences_.setTextList(commandOrderKey, codes);
}

std::map<std::string, std::string> CommandService::getEmojis() {
    return preferences_.textMap(commandEmojisKey).value_or(std::map<std::string, std::string>{});
}

void CommandService::saveEmoji(const std::string& emoji, const std::string& code) {
    auto emojis = getEmojis();
    emojis[code] = emoji;
    preferences_.setTextMap(commandEmojisKey, emojis);
}

std::string CommandService::emojiFor(const std::string& code) {
    return emojiIn(getEmojis(), code);
}

std::string CommandService::emojiIn(const std::map<std::string, std::string>& emojis,
                                    const std::string& code) {
    const auto it = emojis.find(code);
    return it == emojis.end() ? std::string(defaultEmoji) : it->second;
}

void CommandService::processCommand(const std::string& code, const std::string& text,
                                    Completion<ProcessResult> completion) {
    client_.request<ProcessResponse>(
        "/commands/" + percentEncodedPathSegment(code) + "/process", "POST", ProcessRequest{text},
        true,
        deliverOnMain<ProcessResponse>(
            queue_, [completion = std::move(completion)](ServiceResult<ProcessResponse> reply) {
                if (reply)
                    completion(std::move(reply.value().data));
                else
                    completion(reply.error());
            }));
}

namespace {

// One streamed run as its events arrive, on the transport's thread: the first
// outcome it reads (a done or an error event, or an unreadable event) is
// the run's, whatever follows.
struct StreamedRun {
    std::optional<ServiceResult<ProcessResult>> outcome;

    std::optional<std::string> read(const StreamEvent& event) {
        if (outcome)
            return std::nullopt;
        if (event.name == "delta") {
            auto delta = decodeBody<ProcessDelta>(event.data);
            if (delta)
                return std::move(delta.value().text);
            outcome = ServiceResult<ProcessResult>(delta.error());
        } else if (event.name == "done") {
            auto done = decodeBody<ProcessResponse>(event.data);
            outcome = done ? ServiceResult<ProcessResult>(std::move(done.value().data))
                           : ServiceResult<ProcessResult>(done.error());
        } else if (event.name == "error") {
            auto failure = decodeBody<ProcessStreamError>(event.data);
            outcome = failure
                          ? ServiceResult<ProcessResult>(APIClient::mapError(
                                static_cast<long>(failure.value().status), failure.value().body))
                          : ServiceResult<ProcessResult>(failure.error());
        }
        return std::nullopt;
    }

    ServiceResult<ProcessResult> end(ServiceResult<std::optional<std::string>> ending) {
        if (outcome)
            return std::move(*outcome);
        if (!ending)
            return ending.error();
        if (!ending.value()) // the stream stopped before saying how the run ended
            return APIError::invalidResponse();
        auto plain = decodeBody<ProcessResponse>(*ending.value());
        if (!plain)
            return plain.error();
        return std::move(plain.value().data);
    }
};

} // namespace

Cancel CommandService::streamCommand(const std::string& code, const std::string& text,
                                     const std::function<void(std::string)>& onDelta,
                                     Completion<ProcessResult> onEnd) {
    Cancel cancel = Cancel::make();
    auto run = std::make_shared<StreamedRun>();
    auto onEvent = [this, run, cancel, onDelta](const StreamEvent& event) {
        if (auto delta = run->read(event))
            queue_.post([cancel, onDelta, delta = std::move(*delta)]() mutable {
                if (!cancel.isCancelled())
                    onDelta(std::move(delta));
            });
    };
    auto onStreamEnd = [this, run, cancel, onEnd = std::move(onEnd)](
                           ServiceResult<std::optional<std::string>> ending) {
        queue_.post([cancel, onEnd, result = run->end(std::move(ending))]() mutable {
            if (!cancel.isCancelled())
                onEnd(std::move(result));
        });
    };
    client_.requestStream("/commands/" + percentEncodedPathSegment(code) + "/process",
                          encodeBody(ProcessRequest{text}), std::move(onEvent),
                          std::move(onStreamEnd), cancel);
    return cancel;
}

void CommandService::toggleCommand(const std::string& code, Completion<Command> completion) {
    client_.request<ToggleResponse>(
        "/commands/" + percentEncodedPathSegment(code) + "/toggle", "POST", true,
        deliverOnMain<ToggleResponse>(
            queue_, [completion = std::move(completion)](ServiceResult<ToggleResponse> reply) {
                if (reply)
                    completion(std::move(reply.value().data));
                else
                    completion(reply.error());
            }));
}

} // namespace scribeon
