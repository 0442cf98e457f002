#include "service/URLSyntax.h"

#include <cctype>

namespace scribeon {

namespace {

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool isAllowed(char c) {
    if (std::isalnum(static_cast<unsigned char>(c)))
        return true;
    constexpr std::string_view others = "-._~:/?#[]@!$&'()*+,;=";
    return others.find(c) != std::string_view::npos;
}

bool startsWithScheme(std::string_view url, std::string_view& rest) {
    for (std::string_view scheme : {"http://", "https://"}) {
        if (url.size() >= scheme.size()) {
            bool same = true;
            for (std::size_t i = 0; i < scheme.size() && same; ++i)
                same = std::tolower(static_cast<unsigned char>(url[i])) == scheme[i];
            if (same) {
                rest = url.substr(scheme.size());
                return true;
            }
        }
    }
    return false;
}

} // namespace

bool isWellFormedHttpURL(std::string_view url) {
    std::string_view rest;
    if (!startsWithScheme(url, rest))
        return false;
    const std::size_t authorityEnd = rest.find_first_of("/?#");
    const std::string_view authority = rest.substr(0, authorityEnd);
    if (authority.empty() || authority.find_first_of("/?#") != std::string_view::npos)
        return false;
    for (std::size_t i = 0; i < url.size(); ++i) {
        const char c = url[i];
        if (c == '%') {
            if (i + 2 >= url.size() || !isHex(url[i + 1]) || !isHex(url[i + 2]))
                return false;
            i += 2;
        } else if (!isAllowed(c)) {
            return false;
        }
    }
    // Brackets only delimit an IPv6 host; '#' may appear once.
    const std::string_view afterAuthority =
        authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);
    if (afterAuthority.find_first_of("[]") != std::string_view::npos)
        return false;
    const std::size_t hash = afterAuthority.find('#');
    return hash == std::string_view::npos ||
           afterAuthority.find('#', hash + 1) == std::string_view::npos;
}

} // namespace scribeon
