#include "platform/qt/QtAppcastParser.h"
#include "release/AppcastFeed.h"
#include "server/feed/UpdateFeed.h"
#include "update/UpdateKey.h"
#include "update/UpdateSignature.h"

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
    ASSERT_EQ(parsed.value().size(), 3u);
    // The fields a released feed carries are read back in TheReleaseFeedReadsBackAsWritten.
    const AppcastItem& first = parsed.value()[0];
    EXPECT_EQ(first.displayVersion, "1.2 & more");
    EXPECT_EQ(first.releaseNotesURL, "https://updates.example/1.2.html");
    EXPECT_EQ(first.minimumSystemVersion, "12");
    EXPECT_EQ(first.description, "<b>Faster</b>");
    EXPECT_EQ(parsed.value()[1].displayVersion, "3"); // the version when no display version
    EXPECT_EQ(parsed.value()[2].version, "7");
    EXPECT_EQ(parsed.value()[2].displayVersion, "0.7");

    std::string many = rssOpen;
    for (int i = 0; i < 5000; ++i)
        many += item("1." + std::to_string(i));
    const auto all = parser.parse(many + rssClose);
    ASSERT_TRUE(all);
    EXPECT_EQ(all.value().size(), 5000u);
}

TEST(AppcastParserTest, IncompleteOrForeignItemsAreLeftOut) {
    const std::string wrongNamespace =
        "<item xmlns:s=\"http://example.com/not-appcast\"><s:version>9</s:version>"
        "<enclosure url=\"https://u.example/a.deb\" length=\"9\"/></item>";
    const auto withLength = [](const char* length) {
        return "<item><sparkle:version>9</sparkle:version>"
               "<enclosure url=\"https://u.example/a.deb\" length=\"" +
               std::string(length) + "\"/></item>";
    };
    QtAppcastParser parser;
    for (const std::string& items :
         {std::string(), wrongNamespace,
          std::string("<item><sparkle:version>9</sparkle:version></item>"), withLength("0"),
          withLength("-5")}) {
        const std::string feed = rssOpen + items + rssClose;
        const auto parsed = parser.parse(feed);
        ASSERT_TRUE(parsed) << feed;
        EXPECT_TRUE(parsed.value().empty()) << feed;
    }
}

TEST(AppcastParserTest, HostileOrBrokenFeedsAreRefused) {
    const struct {
        const char* name;
        std::string xml;
    } cases[] = {
        {"empty", ""},
        {"not xml", "{\"version\": 2}"},
        {"truncated", rssOpen + "<item><sparkle:version>2"},
        {"not rss", "<feed><entry/></feed>"},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<rss><channel><item><title>&x;</title></item></channel></rss>"},
        {"entity expansion",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><rss><channel><title>&b;&b;</title></channel></"
         "rss>"},
        {"undefined entity", rssOpen + "<title>&nope;</title>" + rssClose},
        {"two roots", rssOpen + rssClose + "<rss/>"},
    };
    QtAppcastParser parser;
    for (const auto& c : cases) {
        const auto parsed = parser.parse(c.xml);
        EXPECT_FALSE(parsed) << c.name;
    }
}

// The local service's demo release verifies against the demo key a
// development build trusts, and nothing else does.
TEST(AppcastParserTest, TheDemoReleaseIsSignedWithTheBuiltInKey) {
    server::UpdateFeed feed("", "", true);
    feed.setOrigin("http://127.0.0.1:8787");
    const auto appcast = feed.serve({"GET", "/appcast.xml", "", "", "127.0.0.1", {}, {}, {}});
    ASSERT_TRUE(appcast);
    const auto* xml = std::get_if<server::TextContent>(&appcast->content);
    ASSERT_TRUE(xml);
    const auto parsed = QtAppcastParser().parse(xml->text);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed.value().size(), 1u);
    const AppcastItem& release = parsed.value()[0];
    EXPECT_EQ(release.enclosureURL,
              "http://127.0.0.1:8787/downloads/" + server::UpdateFeed::demoFileName());
    const auto file = feed.serve({"GET",
                                  "/downloads/" + server::UpdateFeed::demoFileName(),
                                  "",
                                  "",
                                  "127.0.0.1",
                                  {},
                                  {},
                                  {}});
    ASSERT_TRUE(file);
    const auto* package = std::get_if<server::TextContent>(&file->content);
    ASSERT_TRUE(package);
    EXPECT_EQ(package->text.size(), release.enclosureLength);
    EXPECT_TRUE(hasValidSignature(package->text, release.edSignature, demoUpdatePublicKey()));
    EXPECT_FALSE(
        hasValidSignature(package->text + "x", release.edSignature, demoUpdatePublicKey()));
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
    ASSERT_EQ(parsed.value().size(), 1u);
    const AppcastItem& item = parsed.value()[0];
    EXPECT_EQ(item.title, "Scribeon 1.2.0");
    EXPECT_EQ(item.version, "42");
    EXPECT_EQ(item.displayVersion, "1.2.0");
    EXPECT_EQ(item.enclosureURL, entry.url);
    EXPECT_EQ(item.enclosureLength, 123456u);
    EXPECT_EQ(item.edSignature, "c2lnbmF0dXJl");
    EXPECT_EQ(item.description, "<h3>What's new</h3><ul><li>Faster &lt;chooser&gt; &amp; "
                                "&quot;panel&quot;</li><li>Caf\xC3\xA9 \xF0\x9F\x8D\xAE</li></ul>");
}

} // namespace
} // namespace scribeon
