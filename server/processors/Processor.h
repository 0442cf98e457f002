#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace scribeon::server {

// Why a processor gave no text; becomes the reply's status and JSON error.
struct ProcessorFailure {
    int status = 502;
    std::string error;
    std::string message;
};

using ProcessorOutcome = std::variant<std::string, ProcessorFailure>;

// Hears one run: its text in pieces as it comes, then how it ended. Calls
// come one at a time and in order, from whichever thread does the work.
class ProcessorListener {
public:
    virtual ~ProcessorListener() = default;
    virtual void text(std::string_view piece) = 0;
    virtual void ended(const std::optional<ProcessorFailure>& failure) = 0; // once, last
};

class Processor {
public:
    virtual ~Processor() = default;
    // Starts a run; the function returned cancels it, after which it still
    // ends (with a failure) if it had not.
    virtual std::function<void()> start(const std::string& text,
                                        std::shared_ptr<ProcessorListener> listener) = 0;
};

} // namespace scribeon::server
