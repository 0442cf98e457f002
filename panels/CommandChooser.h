#pragma once

#include "panels/ResultRun.h"
#include "platform/RunningApplication.h"

#include <functional>
#include <optional>
#include <string>

namespace scribeon {

// The floating command chooser. `onResult` is called at most once, with the
// run as soon as its first text arrived, after the chooser closed itself
// without re-activating the source application.
class CommandChooser {
public:
    virtual ~CommandChooser() = default;
    // Failures show inside the chooser; a dismissal gives the keyboard back
    // to the source application and tells nobody. `source` is the
    // application in front when the caller knows it; otherwise the chooser
    // asks the desktop.
    virtual void show(std::string text, std::optional<RunningApplication> source,
                      std::function<void(std::shared_ptr<ResultRun>)> onResult) = 0;
    // The application that was frontmost when the chooser last opened.
    virtual std::optional<RunningApplication> sourceApp() const = 0;
};

} // namespace scribeon
