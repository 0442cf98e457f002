#pragma once

#include "accessibility/ReplaceResult.h"

#include <optional>
#include <string>

namespace scribeon {

// Writes text in place of the selection of the application in front.
class TextReplacement {
public:
    virtual ~TextReplacement() = default;
    virtual ReplaceResult replaceSelectedText(const std::string& newText,
                                              const std::optional<std::string>& original,
                                              std::optional<int> sourcePid) = 0;
    // False where no paste can be posted for the user at all: a replacement
    // the accessibility interface cannot write is then the user's to paste.
    virtual bool canPaste() { return true; }
};

} // namespace scribeon
