#pragma once

#include <optional>
#include <string>

namespace scribeon {

// Reads the frontmost application's selected text; absent when there is none.
class SelectionCapture {
public:
    virtual ~SelectionCapture() = default;
    virtual std::optional<std::string> getSelectedText() = 0;
};

} // namespace scribeon
