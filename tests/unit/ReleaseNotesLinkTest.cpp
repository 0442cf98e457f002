#include "ui/ReleaseNotesLink.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/RecordingUrlOpener.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(ReleaseNotesLinkTest, OnlyWebPagesOpen) {
    const std::pair<const char*, bool> cases[] = {
        {"https://scribeon.app/releases/1.2.html", true},
        {"HTTPS://Scribeon.app/notes?v=1.2#top", true},
        {"http://127.0.0.1:8080/notes", true},
        {"http://localhost/notes", true},
        {"http://[::1]:8080/notes", true},
        {"http://scribeon.app/notes", false},      // plain text over the network
        {"http://127.0.0.1@evil.example/", false}, // the host is evil.example
        {"http://127.0.0.1.evil.example/", false},
        {"http://127.1/", false}, // a short form other parsers read differently
        {"http://127.0.0.256/", false},
        {"http://%6c%6fcalhost/", false},
        {"file:///etc/passwd", false},
        {"https:notes.html", false},
        // Not well-formed URLs.
        {"https://evil.example/\x1B]0;x\x07", false},
        {"https://scribeon.app/a#b#c", false},
        {"https://scribeon.app/%2", false},
        {"https:///notes", false},
    };
    for (const auto& [url, opens] : cases) {
        RecordingUrlOpener opener;
        RecordingLog log;
        EXPECT_EQ(openReleaseNotes(url, opener, log), opens) << url;
        EXPECT_EQ(opener.urls.size(), opens ? 1U : 0U) << url;
        EXPECT_EQ(log.lines.size(), opens ? 0U : 1U) << url;
    }
    // A refusal is logged with its controls shown.
    RecordingUrlOpener opener;
    RecordingLog log;
    openReleaseNotes("file:///tmp/\x1B[2Jx", opener, log);
    ASSERT_EQ(log.lines.size(), 1U);
    EXPECT_NE(log.lines[0].find("'file:///tmp/^[[2Jx'"), std::string::npos) << log.lines[0];
}

} // namespace
} // namespace scribeon
