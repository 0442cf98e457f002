#include "server/processors/BlankTrimmer.h"

namespace scribeon::server {

namespace {
constexpr std::string_view blanks = " \t\r\n";
}

std::string BlankTrimmer::feed(std::string_view text) {
    if (!started_) {
        const auto first = text.find_first_not_of(blanks);
        if (first == std::string_view::npos)
            return {};
        text.remove_prefix(first);
        started_ = true;
    }
    const auto last = text.find_last_not_of(blanks);
    if (last == std::string_view::npos) {
        held_.append(text);
        return {};
    }
    std::string out = std::move(held_);
    out.append(text.substr(0, last + 1));
    held_ = std::string(text.substr(last + 1));
    return out;
}

} // namespace scribeon::server
