#pragma once

#include <optional>
#include <string>
#include <vector>

namespace scribeon {

// One run of a small command-line tool of the Wayland desktop (wtype,
// wl-copy, wl-paste), bounded in time so that a compositor that stops
// answering cannot freeze the main thread.
struct ToolProcess {
    struct Outcome {
        bool exitedOk = false;
        std::string output;
    };

    // Absent when the tool could not start or did not finish in time.
    static std::optional<Outcome> run(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      const std::optional<std::string>& input = std::nullopt,
                                      bool readOutput = true);
    static bool isInstalled(const std::string& program);
};

} // namespace scribeon
