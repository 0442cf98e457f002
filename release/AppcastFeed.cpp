#include "release/AppcastFeed.h"

namespace scribeon::release {

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The description is HTML inside XML: escaped once for HTML, once for XML.
std::string notesHtml(const std::vector<std::string>& notes) {
    std::string html = "<h3>What's new</h3><ul>";
    for (const std::string& line : notes)
        if (!line.empty())
            html += "<li>" + escaped(line) + "</li>";
    return html + "</ul>";
}

} // namespace

std::string appcastFeed(const ReleaseEntry& entry) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<rss version=\"2.0\" "
                      "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
                      "<channel>\n<title>Scribeon</title>\n<item>\n";
    xml += "<title>Scribeon " + escaped(entry.shortVersion) + "</title>\n";
    if (!entry.date.empty())
        xml += "<pubDate>" + escaped(entry.date) + "</pubDate>\n";
    xml += "<sparkle:version>" + escaped(entry.version) + "</sparkle:version>\n";
    xml += "<sparkle:shortVersionString>" + escaped(entry.shortVersion) +
           "</sparkle:shortVersionString>\n";
    xml += "<description>" + escaped(notesHtml(entry.notes)) + "</description>\n";
    xml += "<enclosure url=\"" + escaped(entry.url) + "\" length=\"" +
           std::to_string(entry.length) +
           "\" type=\"application/vnd.debian.binary-package\" sparkle:edSignature=\"" +
           escaped(entry.signature) + "\"/>\n";
    return xml + "</item>\n</channel>\n</rss>\n";
}

} // namespace scribeon::release
