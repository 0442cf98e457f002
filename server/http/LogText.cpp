#include "server/http/LogText.h"

#include <utf8proc.h>

#include <cstdio>

namespace scribeon::server {

namespace {

bool reordersText(utf8proc_int32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

void appendEscape(std::string& out, const char* format, unsigned value) {
    char escape[16];
    const int length = std::snprintf(escape, sizeof escape, format, value);
    out.append(escape, static_cast<std::size_t>(length));
}

} // namespace

std::string logSafe(std::string_view text, std::size_t limit) {
    text = text.substr(0, limit);
    std::string out;
    out.reserve(text.size());
    auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    std::size_t at = 0;
    while (at < text.size()) {
        utf8proc_int32_t c = 0;
        const auto length =
            utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at), &c);
        if (length <= 0) {
            appendEscape(out, "\\x%02X", bytes[at]);
            ++at;
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '\\')
            appendEscape(out, "\\x%02X", static_cast<unsigned>(c));
        else if (reordersText(c))
            appendEscape(out, "\\u{%04X}", static_cast<unsigned>(c));
        else
            out.append(text.substr(at, static_cast<std::size_t>(length)));
        at += static_cast<std::size_t>(length);
    }
    return out;
}

} // namespace scribeon::server
