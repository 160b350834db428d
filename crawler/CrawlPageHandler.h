#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ProfileSettings;

// The rules the page handler applies to a fetched page; the crawl control does the rest (rows, record,
// URL list).

// The kind of the page at an address, by the text after its last "." (FileKinds::Html when it has none):
// the file-type lists decide whether a fetched page is shown and indexed.
int PageKindOfAddress(std::string_view url, const ProfileSettings& profile);

// The addresses to queue for the links of a page at url under the crawl root, in page order: links cut at
// their "#", of an indexed file type, joined to the page's folder, on the crawled site unless other sites
// are followed. Duplicates are left for the URL list to drop.
std::vector<std::string> LinksToQueue(std::string_view pageText, std::string_view url,
                                      std::string_view crawlRoot, const ProfileSettings& profile);
