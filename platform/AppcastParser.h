#pragma once

#include "base/Result.h"
#include "platform/AppcastItem.h"

#include <string>
#include <string_view>
#include <vector>

namespace scribeon {

// Reads an update feed (RSS 2.0 with the appcast namespace). Items without a
// version or a complete enclosure are left out; a feed that is not
// well-formed, declares a document type or is not RSS fails with the reason.
class AppcastParser {
public:
    virtual ~AppcastParser() = default;
    virtual Result<std::vector<AppcastItem>, std::string> parse(std::string_view xml) = 0;
};

} // namespace scribeon
