#include "server/processors/ReasoningFilter.h"

namespace scribeon::server {

namespace {

constexpr std::string_view openTag = "<think>";
constexpr std::string_view closeTag = "</think>";

// The length of the longest end of `text` that begins `tag` without being all of it.
std::size_t partialTagAtEnd(std::string_view text, std::string_view tag) {
    for (std::size_t length = std::min(text.size(), tag.size() - 1); length > 0; --length) {
        if (text.substr(text.size() - length) == tag.substr(0, length))
            return length;
    }
    return 0;
}

} // namespace

std::string ReasoningFilter::feed(std::string_view text) {
    std::string pending = std::move(held_);
    pending.append(text);
    held_.clear();
    std::string out;
    std::string_view rest = pending;
    while (true) {
        const std::string_view tag = inside_ ? closeTag : openTag;
        const auto at = rest.find(tag);
        if (at == std::string_view::npos)
            break;
        if (!inside_)
            out.append(rest.substr(0, at));
        rest.remove_prefix(at + tag.size());
        inside_ = !inside_;
    }
    const std::size_t keep = partialTagAtEnd(rest, inside_ ? closeTag : openTag);
    if (!inside_)
        out.append(rest.substr(0, rest.size() - keep));
    held_ = std::string(rest.substr(rest.size() - keep));
    return out;
}

std::string ReasoningFilter::finish() {
    std::string rest = inside_ ? std::string() : std::move(held_);
    held_.clear();
    return rest;
}

} // namespace scribeon::server
