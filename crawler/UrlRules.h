#pragma once

#include <optional>
#include <string>
#include <string_view>

// The crawler's address rules. Queue addresses are plain byte strings compared and joined exactly as
// written (never decoded, case-folded or cleaned of "." segments); only the request built from an address
// is canonicalised. Wherever these rules speak of a slash, "/" and "\" both count, because pages written
// for Windows servers use either.

// Completes an address typed by the user: "http://" goes in front unless it already starts with
// "http://" or "https://" (any case); "/" is appended when the last segment holds no "." or the address
// holds fewer than three slashes.
std::string NormalizeStartAddress(std::string_view typed);

// The folder an address lies in, always ending in a slash: a last segment without a "." counts as a
// folder, otherwise the page name is cut off.
std::string MakeDirectoryUrl(std::string_view url);

// What a fetch needs to know about an address.
struct RequestUrl {
    std::string url;    // the address, given a "/" path when it had none
    std::string scheme; // "http" or "https", lower case
    std::string server; // host name as written; IPv6 literals keep their brackets
    int port = 0;       // as written, else 80 or 443 by scheme
    std::string object; // path and query for the request line, starting with "/"
};

// Splits an http or https address for its request. The object has "\" turned into "/", "." and ".."
// segments removed, bytes that cannot stand in a request line percent-encoded and the fragment dropped;
// a path without a "." and without a query gets a trailing "/". Nothing for an empty address, another
// scheme, an empty host or a port that is not a number up to 65535.
std::optional<RequestUrl> SplitRequestUrl(std::string_view url);

// True for a link that begins with "http://", "https://" or "ftp://", ignoring case: an absolute link.
bool HasCrawlScheme(std::string_view link);

// True for an address the crawler can fetch: one that begins with "http://" or "https://", ignoring
// case. Other absolute addresses (ftp) are queued like any other but never fetched.
bool IsFetchableUrl(std::string_view url);

// Joins a link that is not absolute to the folder address of its page. A link starting with "//" takes
// the base's scheme; one starting with a single "/" is joined to the base's scheme, host and port; every
// other link is appended to the base as written.
std::string ResolveLink(std::string_view link, std::string_view base);

// True when a link belongs to the crawled site: its host names the root's site and the rest of it (port,
// path, query) begins with the root's, compared as written. The scheme does not matter, nor the case of
// the host, nor the host's first label when it has three or more ("www.site.test" and "site.test" are
// one site, "site.test" and "other.test" are not); an IP address is only itself. Texts without a
// scheme and a host belong to no site.
bool IsSameSite(std::string_view link, std::string_view root);

// The address a server sees, for telling whether two queued texts name one page: the request form of an
// http or https address with its host in lower case and every run of slashes made one ("http://h/./\\x"
// and "http://h//x" both give "http://h:80/x"); other addresses as they are. Without it a single link
// such as "\\" makes the whole site reachable again under a longer and longer prefix, and the crawl never
// ends.
std::string CanonicalAddress(std::string_view url);

// True when links of the page at url are followed: url begins with the crawl root (case-sensitively).
bool IsUnderCrawlRoot(std::string_view url, std::string_view root);

// The queue address of one link found on a page whose folder address is base, or nothing when the link
// is not followed. The link must already be cut at its "#" and have passed the file-type test. Relative
// links starting with ".." are dropped; other relative links are joined to base without a site test;
// absolute links and links starting with "//" must pass IsSameSite unless other sites are followed.
std::optional<std::string> QueueAddressOfLink(std::string_view link, std::string_view base,
                                              std::string_view root, bool followOtherSites);
