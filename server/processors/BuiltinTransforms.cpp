#include "server/processors/BuiltinTransforms.h"

#include <utf8proc.h>

#include <algorithm>
#include <set>
#include <string_view>

namespace scribeon::server {

namespace {

// Calls `visit(codePoint)` for each code point; invalid bytes come as U+FFFD.
template <typename Visit> void forEachCodePoint(const std::string& text, Visit visit) {
    auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto remaining = static_cast<utf8proc_ssize_t>(text.size());
    while (remaining > 0) {
        utf8proc_int32_t codePoint = 0;
        utf8proc_ssize_t length = utf8proc_iterate(bytes, remaining, &codePoint);
        if (length <= 0) {
            length = 1;
            codePoint = 0xFFFD;
        }
        visit(codePoint);
        bytes += length;
        remaining -= length;
    }
}

void append(std::string& out, utf8proc_int32_t codePoint) {
    utf8proc_uint8_t buffer[4];
    const auto length = utf8proc_encode_char(codePoint, buffer);
    out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

bool isLetter(utf8proc_int32_t c) {
    const auto category = utf8proc_category(c);
    return category >= UTF8PROC_CATEGORY_LU && category <= UTF8PROC_CATEGORY_LO;
}

bool isWordPart(utf8proc_int32_t c) {
    const auto category = utf8proc_category(c);
    return isLetter(c) || (category >= UTF8PROC_CATEGORY_MN && category <= UTF8PROC_CATEGORY_ND) ||
           c == '\'' || c == 0x2019;
}

bool isSpace(utf8proc_int32_t c) {
    return c == ' ' || c == '\t' || utf8proc_category(c) == UTF8PROC_CATEGORY_ZS;
}

template <typename Map> std::string mapCase(const std::string& text, Map map) {
    std::string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](utf8proc_int32_t c) { append(out, map(c)); });
    return out;
}

std::vector<std::string_view> splitLines(const std::string& text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.emplace_back(text.data() + start, text.size() - start);
            break;
        }
        lines.emplace_back(text.data() + start, end - start);
        start = end + 1;
    }
    return lines;
}

// Lines are joined with "\n"; a final line break stays where it was.
std::string joinLines(const std::vector<std::string_view>& lines, bool trailingBreak) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += '\n';
        out += lines[i];
    }
    if (trailingBreak)
        out += '\n';
    return out;
}

template <typename Reorder> std::string reorderLines(const std::string& text, Reorder reorder) {
    const bool trailingBreak = !text.empty() && text.back() == '\n';
    const std::string body =
        trailingBreak ? text.substr(0, text.size() - 1) : text; // the lines point into it
    auto lines = splitLines(body);
    reorder(lines);
    return joinLines(lines, trailingBreak);
}

} // namespace

std::string upperCase(const std::string& text) {
    return mapCase(text, utf8proc_toupper);
}
std::string lowerCase(const std::string& text) {
    return mapCase(text, utf8proc_tolower);
}

std::string titleCase(const std::string& text) {
    std::string out;
    bool inWord = false;
    forEachCodePoint(text, [&](utf8proc_int32_t c) {
        append(out, inWord ? utf8proc_tolower(c) : utf8proc_totitle(c));
        inWord = isWordPart(c);
    });
    return out;
}

// Collapses runs of spaces, moves a space typed before , . ; : ! ? to after
// it, and starts every sentence with a capital letter. After a full stop a
// space is only added before a capital, which leaves 3.14, e.g. and
// example.com alone.
std::string fixSentences(const std::string& text) {
    std::u32string points;
    forEachCodePoint(text, [&](utf8proc_int32_t c) { points.push_back(static_cast<char32_t>(c)); });
    auto isMark = [](char32_t c) {
        return c == ',' || c == '.' || c == ';' || c == ':' || c == '!' || c == '?';
    };
    auto endsSentence = [](char32_t c) { return c == '.' || c == '!' || c == '?'; };
    std::u32string out;
    bool pendingSpace = false;
    bool sentenceStart = true;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (isSpace(static_cast<utf8proc_int32_t>(c))) {
            pendingSpace = !out.empty() && out.back() != '\n';
            continue;
        }
        if (isMark(c)) {
            const bool spaceWasBefore = pendingSpace;
            pendingSpace = false;
            out.push_back(c);
            const auto next =
                i + 1 < points.size() ? static_cast<utf8proc_int32_t>(points[i + 1]) : 0;
            if (isLetter(next) &&
                (spaceWasBefore || c != '.' || utf8proc_category(next) == UTF8PROC_CATEGORY_LU))
                pendingSpace = true;
            const bool followedByBreak = next == 0 || isSpace(next) || next == '\n' || pendingSpace;
            const std::size_t n = out.size();
            const bool abbreviation = c == '.' && n >= 4 && out[n - 3] == '.' &&
                                      isLetter(static_cast<utf8proc_int32_t>(out[n - 2]));
            if (endsSentence(c) && followedByBreak && !abbreviation)
                sentenceStart = true;
            continue;
        }
        if (c == '\n') {
            pendingSpace = false;
            out.push_back(c);
            continue;
        }
        if (pendingSpace)
            out.push_back(' ');
        pendingSpace = false;
        if (sentenceStart && isLetter(static_cast<utf8proc_int32_t>(c))) {
            out.push_back(
                static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(c))));
            sentenceStart = false;
            continue;
        }
        if (isLetter(static_cast<utf8proc_int32_t>(c)) || (c >= '0' && c <= '9'))
            sentenceStart = false;
        out.push_back(c);
    }
    std::string utf8;
    for (char32_t c : out)
        append(utf8, static_cast<utf8proc_int32_t>(c));
    return utf8;
}

std::string sortLines(const std::string& text) {
    return reorderLines(text, [](auto& lines) { std::stable_sort(lines.begin(), lines.end()); });
}

std::string removeDuplicateLines(const std::string& text) {
    return reorderLines(text, [](auto& lines) {
        std::set<std::string_view> seen;
        std::erase_if(lines, [&](std::string_view line) { return !seen.insert(line).second; });
    });
}

std::string reverseLines(const std::string& text) {
    return reorderLines(text, [](auto& lines) { std::reverse(lines.begin(), lines.end()); });
}

// Keeps each line's break as it was, "\r\n" included.
std::string trimTrailingWhiteSpace(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::string_view line : splitLines(text)) {
        const bool carriageReturn = !line.empty() && line.back() == '\r';
        if (carriageReturn)
            line.remove_suffix(1);
        const auto end = line.find_last_not_of(" \t");
        out += end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
        if (carriageReturn)
            out += '\r';
        out += '\n';
    }
    out.pop_back(); // splitLines yields one line more than there are breaks
    return out;
}

const std::vector<BuiltinTransform>& builtinTransforms() {
    static const std::vector<BuiltinTransform> transforms{
        {"fix-sentences", "Fix spacing and capitals", fixSentences},
        {"upper-case", "UPPER CASE", upperCase},
        {"lower-case", "lower case", lowerCase},
        {"title-case", "Title Case", titleCase},
        {"sort-lines", "Sort lines", sortLines},
        {"remove-duplicate-lines", "Remove duplicate lines", removeDuplicateLines},
        {"trim-trailing-space", "Trim trailing spaces", trimTrailingWhiteSpace},
        {"reverse-lines", "Reverse line order", reverseLines},
    };
    return transforms;
}

const BuiltinTransform* findBuiltinTransform(const std::string& name) {
    for (const auto& transform : builtinTransforms())
        if (transform.name == name)
            return &transform;
    return nullptr;
}

} // namespace scribeon::server
