#include "platform/wayland/WlClipboard.h"

#include "platform/wayland/ToolProcess.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <sstream>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace scribeon {

namespace {

constexpr std::chrono::milliseconds takeoverPoll{10};
constexpr int takeoverPolls = 50;

const std::string copyTool = "wl-copy";
const std::string pasteTool = "wl-paste";

struct WlClipboardContents : ClipboardContents {
    std::optional<std::pair<std::string, std::string>> format; // type, bytes
    bool isEmpty() const override { return !format; }
};

constexpr std::array<std::string_view, 3> textTypes{"text/plain;charset=utf-8", "text/plain",
                                                    "UTF8_STRING"};

std::vector<std::string> offeredTypes() {
    const auto listed = ToolProcess::run(pasteTool, {"--list-types"});
    std::vector<std::string> types;
    if (!listed || !listed->exitedOk)
        return types;
    std::istringstream lines(listed->output);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            types.push_back(line);
    return types;
}

// The text type when there is one, else the first type that is not an X
// protocol target (those are all upper case: TARGETS, SAVE_TARGETS, …).
std::optional<std::string> typeToKeep(const std::vector<std::string>& types) {
    for (std::string_view wanted : textTypes)
        if (std::find(types.begin(), types.end(), wanted) != types.end())
            return std::string(wanted);
    for (const std::string& type : types)
        if (!std::all_of(type.begin(), type.end(), [](char c) { return c < 'a' || c > 'z'; }))
            return type;
    return std::nullopt;
}

std::optional<std::string> paste(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "--no-newline");
    const auto pasted = ToolProcess::run(pasteTool, arguments);
    if (!pasted || !pasted->exitedOk) // "Nothing is copied" is a failure too
        return std::nullopt;
    return pasted->output;
}

// wl-copy returns before the child it leaves behind has taken the
// selection: a paste posted at once would paste what was there before. So
// text is waited for, bounded, until the compositor hands it out.
void copy(const std::string& type, const std::string& bytes, bool primary = false) {
    std::vector<std::string> arguments{"--type", type};
    if (primary)
        arguments.insert(arguments.begin(), "--primary");
    ToolProcess::run(copyTool, arguments, bytes, false);
    if (type.rfind("text/", 0) != 0)
        return; // another format is only put back, never pasted at once
    for (int poll = 0; poll < takeoverPolls; ++poll) {
        if (paste(arguments) == bytes)
            return;
        std::this_thread::sleep_for(takeoverPoll);
    }
}

} // namespace

std::unique_ptr<WlClipboard> WlClipboard::open() {
    if (!ToolProcess::isInstalled(copyTool) || !ToolProcess::isInstalled(pasteTool))
        return nullptr;
    return std::make_unique<WlClipboard>();
}

std::optional<std::string> WlClipboard::text() {
    return paste({"--type", "text"});
}

void WlClipboard::setText(const std::string& text) {
    copy("text/plain;charset=utf-8", text);
}

void WlClipboard::clear() {
    ToolProcess::run(copyTool, {"--clear"}, std::nullopt, false);
}

std::unique_ptr<ClipboardContents> WlClipboard::contents() {
    auto contents = std::make_unique<WlClipboardContents>();
    if (const std::optional<std::string> type = typeToKeep(offeredTypes()))
        if (std::optional<std::string> bytes = paste({"--type", *type}))
            contents->format = {*type, std::move(*bytes)};
    return contents;
}

void WlClipboard::restore(const ClipboardContents& contents) {
    const auto& kept = static_cast<const WlClipboardContents&>(contents);
    if (kept.format)
        copy(kept.format->first, kept.format->second);
}

std::optional<std::string> WlClipboard::primarySelectionText() {
    return paste({"--primary", "--type", "text"});
}

void WlClipboard::setPrimarySelectionText(const std::string& text) {
    copy("text/plain;charset=utf-8", text, true);
}

} // namespace scribeon
