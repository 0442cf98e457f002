#pragma once

#include <string>
#include <string_view>

namespace scribeon::server {

// Takes the blanks (spaces, tabs, line breaks) off both ends of a text that
// arrives in pieces: leading ones are dropped, and a run of blanks is held
// back until something follows it, so the pieces put together are exactly
// the trimmed whole.
class BlankTrimmer {
public:
    std::string feed(std::string_view text);

private:
    std::string held_;
    bool started_ = false;
};

} // namespace scribeon::server
