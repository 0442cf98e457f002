#include "server/accounts/UserText.h"

namespace scribeon::server {

bool hasControlCharacters(std::string_view utf8, bool lineBreaksAllowed) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const bool lineBreak = byte == '\n' || byte == '\r' || byte == '\t';
        if ((byte < 0x20 && !(lineBreaksAllowed && lineBreak)) || byte == 0x7f)
            return true;
        // U+0080-U+009F are 0xC2 0x80-0x9F in UTF-8.
        if (byte == 0xc2 && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[i + 1]);
            if (next >= 0x80 && next <= 0x9f)
                return true;
        }
    }
    return false;
}

bool withinTextBounds(const TextSize& size, std::size_t bytes, std::size_t maxCharacters) {
    return bytes <= maxCharacters * 32 && size.codePoints <= maxCharacters * 8 &&
           size.longestGrapheme <= longestCharacter;
}

bool fitsCharacters(std::string_view utf8, std::size_t maxCharacters) {
    const TextSize size = measureText(utf8);
    return size.graphemes <= maxCharacters && withinTextBounds(size, utf8.size(), maxCharacters);
}

bool plausibleEmail(std::string_view email) {
    const auto at = email.find('@');
    if (at == 0 || at == std::string_view::npos || email.size() > maximumEmailBytes)
        return false;
    const auto domain = email.substr(at + 1);
    if (domain.find('@') != std::string_view::npos || domain.find('.') == std::string_view::npos ||
        domain.front() == '.' || domain.back() == '.')
        return false;
    if (email.find(' ') != std::string_view::npos || hasControlCharacters(email, false))
        return false;
    return isValidUtf8(email);
}

} // namespace scribeon::server
