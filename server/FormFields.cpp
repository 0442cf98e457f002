#include "server/FormFields.h"

namespace scribeon::server {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trimmedSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (plusIsSpace && text[i] == '+') {
            decoded += ' ';
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::map<std::string, std::string> formFields(std::string_view body) {
    std::map<std::string, std::string> fields;
    while (!body.empty()) {
        const auto end = body.find('&');
        const auto pair = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
        if (pair.empty())
            continue;
        const auto equals = pair.find('=');
        auto name = percentDecoded(pair.substr(0, equals), true);
        auto value = equals == std::string_view::npos
                         ? std::string()
                         : percentDecoded(pair.substr(equals + 1), true);
        fields.try_emplace(std::move(name), std::move(value));
    }
    return fields;
}

std::string cookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const auto end = header.find(';');
        const auto pair = trimmedSpaces(header.substr(0, end));
        header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos && trimmedSpaces(pair.substr(0, equals)) == name)
            return std::string(trimmedSpaces(pair.substr(equals + 1)));
    }
    return {};
}

} // namespace scribeon::server
