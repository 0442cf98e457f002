#include "app/UnicodeText.h"

#include <utf8proc.h>

namespace scribeon {

namespace {

bool isWhiteSpaceOrNewline(utf8proc_int32_t codePoint) {
    if ((codePoint >= 0x09 && codePoint <= 0x0D) || codePoint == 0x85)
        return true;
    switch (utf8proc_category(codePoint)) {
    case UTF8PROC_CATEGORY_ZS:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
        return true;
    default:
        return false;
    }
}

} // namespace

bool isBlank(std::string_view utf8) {
    auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data());
    auto remaining = static_cast<utf8proc_ssize_t>(utf8.size());
    while (remaining > 0) {
        utf8proc_int32_t codePoint = 0;
        const utf8proc_ssize_t length = utf8proc_iterate(bytes, remaining, &codePoint);
        if (length <= 0 || !isWhiteSpaceOrNewline(codePoint))
            return false;
        bytes += length;
        remaining -= length;
    }
    return true;
}

std::size_t graphemeCount(std::string_view utf8) {
    auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data());
    auto remaining = static_cast<utf8proc_ssize_t>(utf8.size());
    std::size_t count = 0;
    utf8proc_int32_t previous = -1;
    utf8proc_int32_t state = 0;
    while (remaining > 0) {
        utf8proc_int32_t codePoint = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, remaining, &codePoint);
        if (length <= 0) {
            length = 1;
            codePoint = -1; // a stray byte stands alone
        }
        if (previous < 0 || codePoint < 0 ||
            utf8proc_grapheme_break_stateful(previous, codePoint, &state))
            ++count;
        previous = codePoint;
        bytes += length;
        remaining -= length;
    }
    return count;
}

} // namespace scribeon
