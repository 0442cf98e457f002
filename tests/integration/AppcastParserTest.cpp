#include "platform/qt/QtAppcastParser.h"
#include "release/AppcastFeed.h"
#include "server/feed/UpdateFeed.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

const std::string rssOpen =
    "<?xml version=\"1.0\"?><rss version=\"2.0\" "
    "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>";
const std::string rssClose = "</channel></rss>";

std::string item(const std::string& version, const std::string& extra = "") {
    return "<item><title>Scribeon " + version + "</title><sparkle:version>" + version +
           "</sparkle:version>" + extra + "<enclosure url=\"https://updates.example/scribeon_" +
           version +
           ".deb\" length=\"1234\" type=\"application/vnd.debian.binary-package\" "
           "sparkle:edSignature=\"c2lnbmF0dXJl\"/></item>";
}

TEST(AppcastParserTest, ReadsEveryCompleteItemWithItsFields) {
    QtAppcastParser parser;
    const auto parsed = parser.parse(
        rssOpen +
        item("2",
             "<sparkle:shortVersionString>1.2 &amp; more</sparkle:shortVersionString>"
             "<sparkle:releaseNotesLink>https://updates.example/1.2.html</sparkle:releaseNotesLink>"
             "<sparkle:minimumSystemVersion>12</sparkle:minimumSystemVersion>"
             "<description><![CDATA[<b>Faster</b>]]></description>") +
        item("3") +
        // Versions may sit on the enclosure instead.
        "<item><enclosure url=\"https://u.example/a.deb\" length=\"9\" sparkle:version=\"7\" "
        "sparkle:shortVersionString=\"0.7\" sparkle:edSignature=\"x\"/></item>" +
        rssClose);
    ASSERT_TRUE(parsed) << parsed.error();
    const std::string url = "https://updates.example/scribeon_";
    const std::vector<AppcastItem> expected = {
        {"Scribeon 2", "2", "1.2 & more", "<b>Faster</b>", "https://updates.example/1.2.html", "12",
         url + "2.deb", 1234, "c2lnbmF0dXJl"},
        {"Scribeon 3", "3", "3", std::nullopt, std::nullopt, std::nullopt, url + "3.deb", 1234,
         "c2lnbmF0dXJl"},
        {"", "7", "0.7", std::nullopt, std::nullopt, std::nullopt, "https://u.example/a.deb", 9,
         "x"},
    };
    EXPECT_EQ(parsed.value(), expected);

    std::string many = rssOpen;
    for (int i = 0; i < 5000; ++i)
        many += item("1." + std::to_string(i));
    const auto all = parser.parse(many + rssClose);
    ASSERT_TRUE(all);
    EXPECT_EQ(all.value().size(), 5000u);
}

// Incomplete or foreign items are left out of a feed that parses; hostile or
// broken feeds are refused whole.
TEST(AppcastParserTest, IncompleteItemsAreLeftOutAndBrokenFeedsRefused) {
    const auto withLength = [](const char* length) {
        return rssOpen +
               "<item><sparkle:version>9</sparkle:version><enclosure "
               "url=\"https://u.example/a.deb\" length=\"" +
               length + "\"/></item>" + rssClose;
    };
    const struct {
        const char* name;
        std::string xml;
        bool parses; // with no item
    } cases[] = {
        {"no items", rssOpen + rssClose, true},
        {"wrong namespace",
         rssOpen +
             "<item xmlns:s=\"http://example.com/not-appcast\"><s:version>9</s:version>"
             "<enclosure url=\"https://u.example/a.deb\" length=\"9\"/></item>" +
             rssClose,
         true},
        {"no enclosure", rssOpen + "<item><sparkle:version>9</sparkle:version></item>" + rssClose,
         true},
        {"length 0", withLength("0"), true},
        {"negative length", withLength("-5"), true},
        {"empty", "", false},
        {"not xml", "{\"version\": 2}", false},
        {"truncated", rssOpen + "<item><sparkle:version>2", false},
        {"not rss", "<feed><entry/></feed>", false},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<rss><channel><item><title>&x;</title></item></channel></rss>",
         false},
        {"entity expansion",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><rss><channel><title>&b;&b;</title></channel></"
         "rss>",
         false},
        {"undefined entity", rssOpen + "<title>&nope;</title>" + rssClose, false},
        {"two roots", rssOpen + rssClose + "<rss/>", false},
    };
    for (const auto& c : cases) {
        const auto parsed = QtAppcastParser().parse(c.xml);
        EXPECT_TRUE(c.parses ? parsed && parsed.value().empty() : !parsed) << c.name;
    }
}

// The signed demo release itself is verified by e2e_account_flow; here the
// file names the feed refuses to serve.
TEST(AppcastParserTest, TheDemoFeedServesOnlyItsOwnFiles) {
    server::UpdateFeed feed("", "", true);
    for (const char* path :
         {"/downloads/../server.db", "/downloads/.hidden", "/downloads/", "/downloads/a%2Fb"})
        EXPECT_FALSE(feed.serve({"GET", path, "", "", "127.0.0.1", {}, {}, {}})) << path;
}

// A released feed reads back through the updater's own parser field for
// field, whatever the notes hold.
TEST(AppcastParserTest, TheReleaseFeedReadsBackAsWritten) {
    const release::ReleaseEntry entry{
        "42",
        "1.2.0",
        "https://dl.example/scribeon_1.2.0_amd64.deb?a=1&b=2",
        123456,
        "c2lnbmF0dXJl",
        "Tue, 08 Dec 2026 10:00:00 +0000",
        {"Faster <chooser> & \"panel\"", "", "Caf\xC3\xA9 \xF0\x9F\x8D\xAE"}};
    const auto parsed = QtAppcastParser().parse(release::appcastFeed(entry));
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed.value(),
              (std::vector<AppcastItem>{
                  {"Scribeon 1.2.0", "42", "1.2.0",
                   "<h3>What's new</h3><ul><li>Faster &lt;chooser&gt; &amp; "
                   "&quot;panel&quot;</li><li>Caf\xC3\xA9 \xF0\x9F\x8D\xAE</li></ul>",
                   std::nullopt, std::nullopt, entry.url, 123456, "c2lnbmF0dXJl"}}));
}

} // namespace
} // namespace scribeon
