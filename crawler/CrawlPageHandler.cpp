#include "crawler/CrawlPageHandler.h"

#include "app/Settings.h"
#include "crawler/LinkExtractor.h"
#include "crawler/UrlRules.h"
#include "index/FileKind.h"
#include "index/PageExtractor.h"

int PageKindOfAddress(std::string_view url, const ProfileSettings& profile) {
    if (url.find('.') == std::string_view::npos)
        return FileKinds::Html;
    return GetFileKind(FileNameExtension(url), profile.HtmlFileType, profile.TextFileType);
}

std::vector<std::string> LinksToQueue(std::string_view pageText, std::string_view url,
                                      std::string_view crawlRoot, const ProfileSettings& profile) {
    std::vector<std::string> found;
    if (!ExtractLinks(pageText, "href", found) || found.empty())
        return {};
    const std::string base = MakeDirectoryUrl(url);
    std::vector<std::string> queue;
    for (std::string_view link : found) {
        link = link.substr(0, link.find('#'));
        if (link.empty())
            continue;
        if (link.find('.') != std::string_view::npos &&
            PageKindOfAddress(link, profile) == FileKinds::NotIndexed)
            continue;
        if (auto address = QueueAddressOfLink(link, base, crawlRoot, profile.IndexPageOtherSite != 0))
            queue.push_back(std::move(*address));
    }
    return queue;
}
