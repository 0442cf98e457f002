#pragma once

#include <string>
#include <variant>

namespace scribeon::server {

// Why a processor gave no text; becomes the reply's status and JSON error.
struct ProcessorFailure {
    int status = 502;
    std::string error;
    std::string message;
};

using ProcessorOutcome = std::variant<std::string, ProcessorFailure>;

class Processor {
public:
    virtual ~Processor() = default;
    virtual ProcessorOutcome process(const std::string& text) = 0;
};

} // namespace scribeon::server
