// Links of an arbitrary page, followed the way the crawl follows them, and the same bytes read as an
// address history. Input: the first line is the address the user typed, the rest is the page.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "crawler/LinkExtractor.h"
#include "crawler/UrlHistory.h"
#include "crawler/UrlRules.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool isSlash(char c) {
    return c == '/' || c == '\\';
}

// What a request line may hold once it is built: no blank, control byte or byte above ASCII.
void checkRequest(const RequestUrl& r) {
    check(!r.server.empty());
    check(r.port >= 1 && r.port <= 65535);
    check(r.scheme == "http" || r.scheme == "https");
    check(!r.object.empty() && r.object[0] == '/');
    for (char c : r.object)
        check(static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F);
    check(r.object.find('#') == std::string::npos);
}

void followLinks(std::string_view typed, std::string_view page) {
    if (typed.empty())
        return;
    const std::string start = NormalizeStartAddress(typed);
    check(IsFetchableUrl(start));
    const std::string root = MakeDirectoryUrl(start);
    check(isSlash(root.back()) && IsUnderCrawlRoot(root, root));
    if (const auto request = SplitRequestUrl(start))
        checkRequest(*request);

    std::vector<std::string> links;
    const bool found = ExtractLinks(page, "href", links);
    check(!found || !links.empty());
    for (std::string& link : links) {
        link.resize(std::min(link.find('#'), link.size()));
        for (const bool otherSites : {false, true}) {
            const auto address = QueueAddressOfLink(link, root, root, otherSites);
            if (!address)
                continue;
            const std::string base = MakeDirectoryUrl(*address);
            check(!base.empty() && isSlash(base.back()));
            if (!otherSites && (HasCrawlScheme(link) || link.starts_with("//")))
                check(IsSameSite(*address, root));
            if (const auto request = SplitRequestUrl(*address)) {
                checkRequest(*request);
                check(IsFetchableUrl(*address));
            }
        }
    }
}

void readHistory(std::string_view bytes) {
    const auto history = DecodeUrlHistory(bytes);
    if (!history)
        return;
    check(history->selection >= -1 &&
          history->selection < static_cast<std::int64_t>(history->entries.size()));
    const auto again = DecodeUrlHistory(EncodeUrlHistory(*history));
    check(again && again->entries == history->entries && again->selection == history->selection &&
          again->reserved == history->reserved && again->checkRootLinks == history->checkRootLinks);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = std::min(input.find('\n'), input.size());
    followLinks(input.substr(0, lineEnd), input.substr(std::min(lineEnd + 1, input.size())));
    readHistory(input);
    return 0;
}
