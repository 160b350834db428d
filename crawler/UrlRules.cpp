#include "crawler/UrlRules.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t npos = std::string_view::npos;

bool isSlash(char c) {
    return c == '/' || c == '\\';
}

// Positions as signed numbers so that "not found" (-1) compares below every real position.
long lastDot(std::string_view t) {
    const size_t at = t.rfind('.');
    return at == npos ? -1 : static_cast<long>(at);
}

long lastSlash(std::string_view t) {
    const size_t at = t.find_last_of("/\\");
    return at == npos ? -1 : static_cast<long>(at);
}

size_t slashCount(std::string_view t) {
    size_t n = 0;
    for (char c : t)
        n += isSlash(c) ? 1 : 0;
    return n;
}

bool endsInSlash(std::string_view t) {
    return !t.empty() && isSlash(t.back());
}

// A last segment without a dot, or an address that has not even a slash after its host, names a folder.
bool namesFolder(std::string_view t) {
    return lastDot(t) < lastSlash(t) || slashCount(t) < 3;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiText::lower(text[i]) != prefix[i])
            return false;
    }
    return true;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the scheme in front of "://", or npos when the text does not start with one. Only the
// characters a scheme may hold count, so a "://" further on (inside a query, say) is no scheme.
size_t schemeLength(std::string_view url) {
    if (url.empty() || !isAsciiLetter(url[0]))
        return npos;
    size_t i = 1;
    while (i < url.size() &&
           (isAsciiLetter(url[i]) || isAsciiDigit(url[i]) || url[i] == '+' || url[i] == '-' || url[i] == '.'))
        ++i;
    return url.substr(i, 3) == "://" ? i : npos;
}

// End of the host-and-port part of an address whose scheme ends at schemeEnd.
size_t authorityEnd(std::string_view url, size_t schemeEnd) {
    const size_t end = url.find_first_of("/\\?#", schemeEnd + 3);
    return end == npos ? url.size() : end;
}

// The path without "." and ".." segments, as a server resolves them; a path that climbs above the root
// stays at the root. The path starts with "/".
std::string removeDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    size_t start = 1;
    while (true) {
        const size_t end = path.find('/', start);
        const std::string_view segment = path.substr(start, end == npos ? npos : end - start);
        const bool last = end == npos;
        if (segment == "." || segment == "..") {
            if (segment == ".." && !kept.empty())
                kept.pop_back();
            if (last)
                kept.push_back({}); // "a/." and "a/.." still name a folder
        } else {
            kept.push_back(segment);
        }
        if (last)
            break;
        start = end + 1;
    }
    std::string result;
    result.reserve(path.size());
    for (std::string_view segment : kept) {
        result += '/';
        result += segment;
    }
    return result.empty() ? "/" : result;
}

// Bytes a request line cannot carry as they are. "%" stays: the address may already be encoded.
bool needsEscape(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F)
        return true;
    switch (c) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return true;
    default:
        return false;
    }
}

void appendEscaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
}

// Port digits as written; empty means the scheme's default. Nothing for anything that is no port.
std::optional<int> parsePort(std::string_view digits, int defaultPort) {
    if (digits.empty())
        return defaultPort;
    if (digits.size() > 5)
        return std::nullopt;
    int port = 0;
    for (char c : digits) {
        if (!isAsciiDigit(c))
            return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port == 0 || port > 65535)
        return std::nullopt;
    return port;
}

// Host and port out of the text between "://" and the path; user information before an "@" is skipped.
bool splitAuthority(std::string_view authority, int defaultPort, RequestUrl& out) {
    const size_t at = authority.rfind('@');
    if (at != npos)
        authority.remove_prefix(at + 1);
    size_t hostEnd;
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == npos)
            return false;
        hostEnd = close + 1;
        if (hostEnd < authority.size() && authority[hostEnd] != ':')
            return false;
    } else {
        hostEnd = std::min(authority.rfind(':'), authority.size());
    }
    out.server = std::string(authority.substr(0, hostEnd));
    if (out.server.empty())
        return false;
    // Blanks and control bytes name no host; a request for one would only wait on the resolver.
    for (const char c : out.server)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return false;
    const std::string_view portText = hostEnd < authority.size() ? authority.substr(hostEnd + 1) : "";
    const std::optional<int> port = parsePort(portText, defaultPort);
    if (!port)
        return false;
    out.port = *port;
    return true;
}

// An address seen as a site: its host reduced to what a site shares, and the text after the host.
struct SiteOfAddress {
    std::string site;
    std::string_view rest; // port, path and query, as written
};

// Digits and dots only (or a bracketed IPv6 literal): an address, which has no labels to drop. A dotted
// number cannot be a name either, since no top-level domain is numeric.
bool isIpAddress(std::string_view host) {
    if (host.starts_with('['))
        return true;
    return std::all_of(host.begin(), host.end(), [](char c) { return isAsciiDigit(c) || c == '.'; });
}

// The first label of a name goes ("www.example.com" and "shop.example.com" are one site), but never so
// far that a bare domain would stand for its whole top-level domain ("example.com" stays itself).
std::optional<SiteOfAddress> siteOf(std::string_view url) {
    const size_t schemeEnd = schemeLength(url);
    if (schemeEnd == npos)
        return std::nullopt;
    const size_t end = authorityEnd(url, schemeEnd);
    size_t hostStart = schemeEnd + 3;
    const size_t at = url.substr(hostStart, end - hostStart).rfind('@');
    if (at != npos)
        hostStart += at + 1;
    const std::string_view authority = url.substr(hostStart, end - hostStart);
    size_t hostLength = std::min(authority.find(':'), authority.size());
    if (authority.starts_with('['))
        hostLength = std::min(authority.find(']'), authority.size() - 1) + 1;
    if (hostLength == 0)
        return std::nullopt;
    SiteOfAddress result;
    for (const char c : authority.substr(0, hostLength))
        result.site += AsciiText::lower(c);
    result.rest = url.substr(hostStart + hostLength);
    const size_t firstDot = result.site.find('.');
    if (!isIpAddress(result.site) && firstDot != npos && result.site.find('.', firstDot + 1) != npos)
        result.site.erase(0, firstDot + 1);
    return result;
}

} // namespace

std::string NormalizeStartAddress(std::string_view typed) {
    std::string address;
    if (!startsWithNoCase(typed, "http://") && !startsWithNoCase(typed, "https://"))
        address = "http://";
    address += typed;
    if (!endsInSlash(address) && namesFolder(address))
        address += '/';
    return address;
}

std::string MakeDirectoryUrl(std::string_view url) {
    if (endsInSlash(url))
        return std::string(url);
    if (namesFolder(url))
        return std::string(url) + '/';
    return std::string(url.substr(0, static_cast<size_t>(lastSlash(url)) + 1));
}

std::optional<RequestUrl> SplitRequestUrl(std::string_view url) {
    const size_t schemeEnd = schemeLength(url);
    if (schemeEnd == npos)
        return std::nullopt;
    RequestUrl request;
    for (char c : url.substr(0, schemeEnd))
        request.scheme += AsciiText::lower(c);
    int defaultPort;
    if (request.scheme == "http")
        defaultPort = 80;
    else if (request.scheme == "https")
        defaultPort = 443;
    else
        return std::nullopt;

    const size_t pathStart = authorityEnd(url, schemeEnd);
    if (!splitAuthority(url.substr(schemeEnd + 3, pathStart - schemeEnd - 3), defaultPort, request))
        return std::nullopt;

    // An address with too few slashes gets its missing root path, and it is this completed address that
    // the page is later filed under.
    request.url = std::string(url);
    if (slashCount(url) < 3)
        request.url.insert(pathStart, 1, '/');

    std::string_view rest = url.substr(pathStart);
    rest = rest.substr(0, rest.find('#')); // the fragment never goes to the server
    const size_t queryAt = rest.find('?');
    std::string path(rest.substr(0, queryAt));
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    if (path.empty())
        path.assign(1, '/');
    path = removeDotSegments(path);
    // Servers answer a folder address without its slash with a redirect, which the fetch does not follow.
    if (queryAt == npos && path.size() > 1 && path.back() != '/' && path.find('.') == npos)
        path += '/';

    appendEscaped(request.object, path);
    if (queryAt != npos) {
        request.object += '?';
        appendEscaped(request.object, rest.substr(queryAt + 1));
    }
    return request;
}

bool HasCrawlScheme(std::string_view link) {
    return startsWithNoCase(link, "http://") || startsWithNoCase(link, "https://") ||
           startsWithNoCase(link, "ftp://");
}

bool IsFetchableUrl(std::string_view url) {
    return startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://");
}

std::string ResolveLink(std::string_view link, std::string_view base) {
    const size_t schemeEnd = schemeLength(base);
    if (link.substr(0, 2) == "//") {
        const std::string_view scheme = schemeEnd == npos ? "http" : base.substr(0, schemeEnd);
        return std::string(scheme) + ':' + std::string(link);
    }
    if (!link.empty() && link[0] == '/') {
        if (schemeEnd != npos)
            return std::string(base.substr(0, authorityEnd(base, schemeEnd))) + std::string(link);
        // A base without a scheme has no host to go back to: the link stays inside the base folder.
        if (link.size() > 1)
            link.remove_prefix(1);
    }
    return std::string(base) + std::string(link);
}

bool IsSameSite(std::string_view link, std::string_view root) {
    const std::optional<SiteOfAddress> linkSite = siteOf(link);
    const std::optional<SiteOfAddress> rootSite = siteOf(root);
    return linkSite && rootSite && linkSite->site == rootSite->site &&
           linkSite->rest.starts_with(rootSite->rest);
}

std::string CanonicalAddress(std::string_view url) {
    const std::optional<RequestUrl> request = SplitRequestUrl(url);
    if (!request)
        return std::string(url);
    std::string canonical = request->scheme + "://";
    for (const char c : request->server)
        canonical += AsciiText::lower(c);
    canonical += ':';
    canonical += std::to_string(request->port);
    const std::string_view object = request->object;
    const size_t query = object.find('?');
    for (size_t i = 0; i < object.size(); ++i) {
        if (i < query && object[i] == '/' && !canonical.empty() && canonical.back() == '/')
            continue;
        canonical += object[i];
    }
    return canonical;
}

bool IsUnderCrawlRoot(std::string_view url, std::string_view root) {
    return url.starts_with(root);
}

std::optional<std::string> QueueAddressOfLink(std::string_view link, std::string_view base,
                                              std::string_view root, bool followOtherSites) {
    if (link.empty())
        return std::nullopt;
    if (HasCrawlScheme(link)) {
        if (!followOtherSites && !IsSameSite(link, root))
            return std::nullopt;
        return std::string(link);
    }
    // Queue addresses are never cleaned of "..", so such a link could climb out of the crawl root.
    if (link.starts_with(".."))
        return std::nullopt;
    std::string address = ResolveLink(link, base);
    if (link.starts_with("//") && !followOtherSites && !IsSameSite(address, root))
        return std::nullopt;
    return address;
}
