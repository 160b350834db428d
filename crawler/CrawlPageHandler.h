#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "index/PageExtractor.h"

struct ProfileSettings;

// The rules the page handler applies to a fetched page; the crawl control does the rest (rows, record,
// URL list).

// The kind of the page at an address, by the text after its last "." (FileKinds::Html when it has none):
// the file-type lists decide whether a fetched page is shown and indexed.
int PageKindOfAddress(std::string_view url, const ProfileSettings& profile);

// The links of a page that the crawl follows.
struct PageLinks {
    std::vector<std::string> addresses; // in page order; duplicates are left for the URL list to drop
    int tooLong = 0;                    // links skipped because their address is longer than MaxUrlLength
};

// The addresses to queue for the links of a page at url under the crawl root: links cut at their "#", of
// an indexed file type, joined to the page's folder, on the crawled site unless other sites are followed,
// and no longer than MaxUrlLength, so that ever deeper paths cannot grow the crawl without end.
PageLinks LinksToQueue(std::string_view pageText, std::string_view url, std::string_view crawlRoot,
                       const ProfileSettings& profile);

// A fetched page as the crawling thread prepares it, so that the crawl's own thread, which every other
// crawling thread waits for, only writes the record, shows the row and queues the links.
struct PreparedPage {
    bool indexed = false; // false: an empty page or one of a type not indexed, neither shown nor followed
    PageFields fields;
    PageLinks links; // empty for a page outside the crawl root: its links are not followed
    // The canonical address of each entry of links.addresses, by which the URL list drops duplicates.
    std::vector<std::string> linkKeys;
};

PreparedPage PreparePage(std::string_view pageText, std::string_view url, std::string_view crawlRoot,
                         const ProfileSettings& profile, int indexColon);
