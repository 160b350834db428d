#include "crawler/Sitemap.h"

#include <QXmlStreamReader>

#include "platform/TextEncoding.h"

namespace {

SitemapEntries readXml(std::string_view xml) {
    SitemapEntries entries;
    QXmlStreamReader reader(QByteArray::fromRawData(xml.data(), static_cast<qsizetype>(xml.size())));
    std::vector<std::string>* into = nullptr; // the list the <loc> in hand belongs to
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("url"))
            into = &entries.pages;
        else if (name == QLatin1String("sitemap"))
            into = &entries.sitemaps;
        else if (name == QLatin1String("loc") && into) {
            const QByteArray loc = reader.readElementText().trimmed().toUtf8();
            if (!loc.isEmpty())
                into->emplace_back(loc.constData(), static_cast<std::size_t>(loc.size()));
        }
    }
    // A sitemap broken off in the middle still gives the addresses before the break.
    return entries;
}

} // namespace

SitemapEntries ReadSitemap(std::string_view content, std::size_t maxBytes) {
    if (content.starts_with("\x1F\x8B")) {
        const auto inflated = TextEncoding::inflate(content, maxBytes);
        return inflated ? readXml(*inflated) : SitemapEntries{};
    }
    return readXml(content);
}
