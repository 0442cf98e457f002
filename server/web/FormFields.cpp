#include "server/web/FormFields.h"

#include "base/PercentEncoding.h"

namespace scribeon::server {

namespace {

std::string_view trimmedSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

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
