#pragma once

#include "base/Result.h"

#include <string>

namespace scribeon {

// A request body that could not be encoded or a 200 reply that could not be
// decoded; `description` is the coder's own explanation.
struct CodingError {
    std::string description;
    bool operator==(const CodingError&) const = default;
};

template <typename T> using Coded = Result<T, CodingError>;

} // namespace scribeon
