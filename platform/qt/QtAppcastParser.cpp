#include "platform/qt/QtAppcastParser.h"

#include <QXmlStreamReader>

namespace scribeon {

namespace {

bool inAppcast(const QXmlStreamReader& reader, const char* name) {
    return reader.namespaceUri() == QLatin1String(QtAppcastParser::appcastNamespace) &&
           reader.name() == QLatin1String(name);
}

std::string appcastAttribute(const QXmlStreamAttributes& attributes, const char* name) {
    return attributes.value(QLatin1String(QtAppcastParser::appcastNamespace), QLatin1String(name))
        .toString()
        .toStdString();
}

void readEnclosure(const QXmlStreamAttributes& attributes, AppcastItem& item) {
    item.enclosureURL = attributes.value(QLatin1String("url")).toString().toStdString();
    bool ok = false;
    const qulonglong length = attributes.value(QLatin1String("length")).toULongLong(&ok);
    item.enclosureLength = ok ? length : 0;
    item.edSignature = appcastAttribute(attributes, "edSignature");
    if (item.version.empty())
        item.version = appcastAttribute(attributes, "version");
    if (item.displayVersion.empty())
        item.displayVersion = appcastAttribute(attributes, "shortVersionString");
}

// Reads the children of one <item>; the reader stands on its start tag.
AppcastItem readItem(QXmlStreamReader& reader) {
    AppcastItem item;
    while (reader.readNextStartElement()) {
        const auto text = [&reader] {
            return reader.readElementText(QXmlStreamReader::IncludeChildElements)
                .trimmed()
                .toStdString();
        };
        if (reader.namespaceUri().isEmpty() && reader.name() == QLatin1String("title")) {
            item.title = text();
        } else if (reader.namespaceUri().isEmpty() &&
                   reader.name() == QLatin1String("description")) {
            item.description = text();
        } else if (reader.namespaceUri().isEmpty() && reader.name() == QLatin1String("enclosure")) {
            readEnclosure(reader.attributes(), item);
            reader.skipCurrentElement();
        } else if (inAppcast(reader, "version")) {
            item.version = text();
        } else if (inAppcast(reader, "shortVersionString")) {
            item.displayVersion = text();
        } else if (inAppcast(reader, "releaseNotesLink")) {
            item.releaseNotesURL = text();
        } else if (inAppcast(reader, "minimumSystemVersion")) {
            item.minimumSystemVersion = text();
        } else {
            reader.skipCurrentElement();
        }
    }
    if (item.displayVersion.empty())
        item.displayVersion = item.version;
    return item;
}

bool isComplete(const AppcastItem& item) {
    return !item.version.empty() && !item.enclosureURL.empty() && item.enclosureLength > 0;
}

} // namespace

Result<std::vector<AppcastItem>, std::string> QtAppcastParser::parse(std::string_view xml) {
    QXmlStreamReader reader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
    std::vector<AppcastItem> items;
    bool sawRss = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return std::string("a document type declaration is not accepted");
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!sawRss) {
            if (reader.name() != QLatin1String("rss"))
                return std::string("not an RSS feed");
            sawRss = true;
        } else if (reader.namespaceUri().isEmpty() && reader.name() == QLatin1String("item")) {
            AppcastItem item = readItem(reader);
            if (isComplete(item))
                items.push_back(std::move(item));
        }
    }
    if (reader.hasError())
        return reader.errorString().toStdString();
    if (!sawRss)
        return std::string("not an RSS feed");
    return items;
}

} // namespace scribeon
