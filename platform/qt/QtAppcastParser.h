#pragma once

#include "platform/AppcastParser.h"

namespace scribeon {

// Reads the feed with QXmlStreamReader, which resolves no external entity;
// a document type declaration is refused outright, so no entity of the
// feed's own can expand either.
class QtAppcastParser final : public AppcastParser {
public:
    static constexpr const char* appcastNamespace =
        "http://www.andymatuschak.org/xml-namespaces/sparkle";

    Result<std::vector<AppcastItem>, std::string> parse(std::string_view xml) override;
};

} // namespace scribeon
