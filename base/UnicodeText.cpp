#include "base/UnicodeText.h"

#include <utf8proc.h>

#include <algorithm>

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

// Calls `visit(byteOffset, byteLength, codePoint)` for every code point; a
// byte that is not valid UTF-8 arrives alone with code point -1. Stops early
// when `visit` returns false.
template <typename Visit> void forEachCodePoint(std::string_view utf8, Visit visit) {
    auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data());
    const auto size = static_cast<utf8proc_ssize_t>(utf8.size());
    utf8proc_ssize_t offset = 0;
    while (offset < size) {
        utf8proc_int32_t codePoint = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes + offset, size - offset, &codePoint);
        if (length <= 0) {
            length = 1;
            codePoint = -1;
        }
        if (!visit(static_cast<std::size_t>(offset), static_cast<std::size_t>(length), codePoint))
            return;
        offset += length;
    }
}

// Calls `visit(byteOffset)` at the start of every grapheme cluster; stops
// early when `visit` returns false.
template <typename Visit> void forEachGraphemeStart(std::string_view utf8, Visit visit) {
    utf8proc_int32_t previous = -1;
    utf8proc_int32_t state = 0;
    bool first = true;
    forEachCodePoint(utf8, [&](std::size_t offset, std::size_t, utf8proc_int32_t codePoint) {
        const bool breaks = first || previous < 0 || codePoint < 0 ||
                            utf8proc_grapheme_break_stateful(previous, codePoint, &state);
        first = false;
        previous = codePoint;
        return breaks ? visit(offset) : true;
    });
}

bool isLineBreak(utf8proc_int32_t codePoint) {
    if ((codePoint >= 0x0A && codePoint <= 0x0D) || codePoint == 0x85)
        return true;
    const auto category = utf8proc_category(codePoint);
    return category == UTF8PROC_CATEGORY_ZL || category == UTF8PROC_CATEGORY_ZP;
}

void appendCodePoint(std::string& out, utf8proc_int32_t codePoint) {
    utf8proc_uint8_t bytes[4];
    const auto length = utf8proc_encode_char(codePoint, bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

// "^[" for ESC as `cat -v` writes it; a C1 control as its seven-bit escape
// (U+009B, CSI, is "^[["), so the reader still sees what was sent.
void appendVisibleControl(std::string& out, utf8proc_int32_t codePoint) {
    if (codePoint == 0x7F) {
        out += "^?";
        return;
    }
    if (codePoint >= 0x80) {
        out += "^[";
        codePoint -= 0x40;
    } else {
        out += '^';
        codePoint += 0x40;
    }
    out += static_cast<char>(codePoint);
}

bool isControl(utf8proc_int32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

template <typename Keep> std::string_view trimmedWhere(std::string_view utf8, Keep keep) {
    std::size_t start = utf8.size();
    std::size_t end = 0;
    forEachCodePoint(utf8, [&](std::size_t offset, std::size_t length, utf8proc_int32_t codePoint) {
        if (keep(codePoint)) {
            start = std::min(start, offset);
            end = offset + length;
        }
        return true;
    });
    return start >= end ? std::string_view() : utf8.substr(start, end - start);
}

bool isTextArtefact(utf8proc_int32_t codePoint) {
    return codePoint == 0xFEFF || codePoint == 0xFFFC ||
           (codePoint >= 0xFDD0 && codePoint <= 0xFDEF) ||
           (codePoint >= 0 && (codePoint & 0xFFFE) == 0xFFFE);
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    bool valid = true;
    forEachCodePoint(bytes, [&valid](std::size_t, std::size_t, utf8proc_int32_t codePoint) {
        valid = codePoint >= 0;
        return valid;
    });
    return valid;
}

bool isBlank(std::string_view utf8) {
    bool blank = true;
    forEachCodePoint(utf8, [&](std::size_t, std::size_t, utf8proc_int32_t codePoint) {
        blank = codePoint >= 0 && isWhiteSpaceOrNewline(codePoint);
        return blank;
    });
    return blank;
}

std::size_t graphemeCount(std::string_view utf8) {
    std::size_t count = 0;
    forEachGraphemeStart(utf8, [&](std::size_t) {
        ++count;
        return true;
    });
    return count;
}

TextSize measureText(std::string_view utf8) {
    TextSize size;
    std::size_t current = 0;
    utf8proc_int32_t previous = -1;
    utf8proc_int32_t state = 0;
    forEachCodePoint(utf8, [&](std::size_t, std::size_t, utf8proc_int32_t codePoint) {
        const bool breaks = size.codePoints == 0 || previous < 0 || codePoint < 0 ||
                            utf8proc_grapheme_break_stateful(previous, codePoint, &state);
        previous = codePoint;
        ++size.codePoints;
        if (breaks) {
            ++size.graphemes;
            current = 0;
        }
        size.longestGrapheme = std::max(size.longestGrapheme, ++current);
        return true;
    });
    return size;
}

std::string_view trimmed(std::string_view utf8) {
    return trimmedWhere(utf8, [](utf8proc_int32_t codePoint) {
        return codePoint < 0 || !isWhiteSpaceOrNewline(codePoint);
    });
}

std::string_view trimmedBlanks(std::string_view utf8) {
    return trimmedWhere(utf8, [](utf8proc_int32_t codePoint) {
        return codePoint < 0 || !isWhiteSpaceOrNewline(codePoint) || isLineBreak(codePoint);
    });
}

std::string capitalizedWords(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    bool wordStart = true;
    forEachCodePoint(utf8, [&](std::size_t offset, std::size_t length, utf8proc_int32_t codePoint) {
        if (codePoint < 0) {
            out.append(utf8.substr(offset, length));
            wordStart = false;
            return true;
        }
        const bool space = isWhiteSpaceOrNewline(codePoint);
        appendCodePoint(
            out, space ? codePoint
                       : (wordStart ? utf8proc_toupper(codePoint) : utf8proc_tolower(codePoint)));
        wordStart = space;
        return true;
    });
    return out;
}

std::string_view graphemePrefix(std::string_view utf8, std::size_t count) {
    std::size_t seen = 0;
    std::size_t cut = utf8.size();
    forEachGraphemeStart(utf8, [&](std::size_t offset) {
        if (seen == count) {
            cut = offset;
            return false;
        }
        ++seen;
        return true;
    });
    return utf8.substr(0, cut);
}

std::string withoutTextArtefacts(std::string_view utf8) {
    std::string clean;
    clean.reserve(utf8.size());
    forEachCodePoint(utf8, [&](std::size_t offset, std::size_t length, utf8proc_int32_t codePoint) {
        if (!isTextArtefact(codePoint))
            clean.append(utf8.substr(offset, length));
        return true;
    });
    return clean;
}

std::string terminalSafe(std::string_view utf8, TerminalLayout layout) {
    std::string out;
    out.reserve(utf8.size());
    forEachCodePoint(utf8, [&](std::size_t offset, std::size_t length, utf8proc_int32_t codePoint) {
        const bool layoutControl = codePoint == '\t' || codePoint == '\n';
        if (codePoint < 0)
            out += "\xEF\xBF\xBD"; // U+FFFD: a lone byte may be a C1 control to the terminal
        else if (layout == TerminalLayout::oneLine &&
                 (layoutControl || (codePoint >= 0x0B && codePoint <= 0x0D)))
            out += ' ';
        else if (isControl(codePoint) && !(layout == TerminalLayout::lines && layoutControl))
            appendVisibleControl(out, codePoint);
        else
            out.append(utf8.substr(offset, length));
        return true;
    });
    return out;
}

} // namespace scribeon
