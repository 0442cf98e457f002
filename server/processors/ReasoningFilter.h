#pragma once

#include <string>
#include <string_view>

namespace scribeon::server {

// Leaves out the <think>…</think> blocks that reasoning models put before
// their answer, from text that arrives in pieces cut anywhere, a tag's
// middle included: the end of a piece that may start a tag is held back
// until the next piece says whether it does. An unclosed block is reasoning
// to the end.
class ReasoningFilter {
public:
    std::string feed(std::string_view text);
    std::string finish(); // what was held back and turned out to be no tag

private:
    std::string held_;
    bool inside_ = false;
};

} // namespace scribeon::server
