#include "crawler/CrawlPageHandler.h"

#include <algorithm>

#include "app/Settings.h"
#include "crawler/LinkExtractor.h"
#include "crawler/UrlRules.h"
#include "index/FileKind.h"
#include "index/PageFile.h"

int PageKindOfAddress(std::string_view url, const ProfileSettings& profile) {
    if (url.find('.') == std::string_view::npos)
        return FileKinds::Html;
    return GetFileKind(FileNameExtension(url), profile.HtmlFileType, profile.TextFileType);
}

PageLinks LinksToQueue(std::string_view pageText, std::string_view url, std::string_view crawlRoot,
                       const ProfileSettings& profile) {
    std::vector<std::string> found;
    if (!ExtractLinks(pageText, "href", found) || found.empty())
        return {};
    const std::string base = MakeDirectoryUrl(url);
    const auto maxLength = static_cast<std::size_t>(std::max(profile.MaxUrlLength, 0));
    PageLinks links;
    for (std::string_view link : found) {
        link = link.substr(0, link.find('#'));
        if (link.empty())
            continue;
        if (link.find('.') != std::string_view::npos &&
            PageKindOfAddress(link, profile) == FileKinds::NotIndexed)
            continue;
        auto address = QueueAddressOfLink(link, base, crawlRoot, profile.IndexPageOtherSite != 0);
        if (!address)
            continue;
        if (address->size() > maxLength)
            ++links.tooLong;
        else
            links.addresses.push_back(std::move(*address));
    }
    return links;
}

PreparedPage PreparePage(std::string_view pageText, std::string_view url, std::string_view crawlRoot,
                         const ProfileSettings& profile, int indexColon) {
    PreparedPage page;
    if (pageText.empty())
        return page;
    const int kind = PageKindOfAddress(url, profile);
    if (kind == FileKinds::NotIndexed)
        return page;
    page.indexed = true;
    const std::string_view text = profile.IndexStrategy != 0 ? CutBeforeBody(pageText) : pageText;
    page.fields = ExtractPageText(text, kind, indexColon);
    // Only pages under the crawl root lead further; pages of other sites are indexed, not followed.
    if (!IsUnderCrawlRoot(url, crawlRoot))
        return page;
    page.links = LinksToQueue(pageText, url, crawlRoot, profile);
    page.linkKeys.reserve(page.links.addresses.size());
    for (const std::string& address : page.links.addresses)
        page.linkKeys.push_back(CanonicalAddress(address));
    return page;
}
