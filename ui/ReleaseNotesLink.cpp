#include "ui/ReleaseNotesLink.h"

#include "base/UnicodeText.h"
#include "service/URLSyntax.h"

#include <algorithm>
#include <cctype>

namespace scribeon {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The host of a URL that passed the strict syntax check: the authority
// without its user information and port.
std::string_view hostOf(std::string_view url) {
    std::string_view rest = url.substr(url.find("//") + 2);
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.starts_with('['))
        return authority.substr(0, authority.find(']') + 1);
    return authority.substr(0, authority.find(':'));
}

// Four decimal parts, the first 127; the shorter forms some parsers accept
// ("127.1") are refused rather than interpreted.
bool isLoopbackIPv4(std::string_view host) {
    int parts = 0;
    int first = -1;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string_view part =
            host.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        const int value = std::stoi(std::string(part));
        if (value > 255)
            return false;
        if (parts++ == 0)
            first = value;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return parts == 4 && first == 127;
}

bool isLoopbackHost(const std::string& host) {
    return host == "localhost" || host == "[::1]" || isLoopbackIPv4(host);
}

} // namespace

bool isOpenableReleaseNotesURL(std::string_view url) {
    if (!isWellFormedHttpURL(url))
        return false;
    const std::string scheme = lowered(url.substr(0, url.find(':')));
    return scheme == "https" || isLoopbackHost(lowered(hostOf(url)));
}

bool openReleaseNotes(const std::string& url, UrlOpener& opener, DiagnosticLog& log) {
    if (!isOpenableReleaseNotesURL(url)) {
        log.write("update: not opening the release notes at '" +
                  terminalSafe(url.substr(0, 300), TerminalLayout::oneLine) +
                  "': only https pages (or http on this computer) are opened");
        return false;
    }
    return opener.openURL(url);
}

} // namespace scribeon
