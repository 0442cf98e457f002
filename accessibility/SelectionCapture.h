#pragma once

#include "platform/RunningApplication.h"

#include <optional>
#include <string>

namespace scribeon {

// Reads the frontmost application's selected text; absent when there is none.
class SelectionCapture {
public:
    virtual ~SelectionCapture() = default;
    virtual std::optional<std::string> getSelectedText() = 0;
    // The application the last capture found in front, so that the chooser
    // that follows need not ask the desktop again; absent when none was.
    virtual std::optional<RunningApplication> lastSource() const { return std::nullopt; }
};

} // namespace scribeon
