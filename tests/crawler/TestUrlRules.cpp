#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "crawler/UrlRules.h"

namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

} // namespace

TEST(UrlRules, NormalizeStartAddressAddsSchemeAndFolderSlash) {
    const std::vector<TextCase> cases = {
        {"server.test", "http://server.test/"},
        {"HTTP://server.test/a", "HTTP://server.test/a/"},
        {"http://server.test/page.htm", "http://server.test/page.htm"},
        {"server.test/dir/", "http://server.test/dir/"},
        {"https://host/", "https://host/"},
        {"HTTPS://host/dir", "HTTPS://host/dir/"},
        {"https://host.test", "https://host.test/"},
        {"host\\dir\\index.html", "http://host\\dir\\index.html"},
        {"host/v1.2/dir", "http://host/v1.2/dir/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeStartAddress(c.input), c.expected) << c.input;
}

TEST(UrlRules, MakeDirectoryUrlCutsThePageNameOrAddsASlash) {
    const std::vector<TextCase> cases = {
        {"http://h/a/b.html", "http://h/a/"},
        {"http://h/a", "http://h/a/"},
        {"http://h.test", "http://h.test/"},
        {"http://h/a.b/c", "http://h/a.b/c/"},
        {"http://h/a/", "http://h/a/"},
        {"http://h/a\\b.html", "http://h/a\\"},
        {"http://h/p.php?x=a/b.html", "http://h/p.php?x=a/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeDirectoryUrl(c.input), c.expected) << c.input;
}

TEST(UrlRules, SplitRequestUrlGivesWhatTheFetchSends) {
    struct Case {
        std::string url;
        std::string completed;
        std::string scheme;
        std::string server;
        int port;
        std::string object;
    };
    const std::vector<Case> cases = {
        {"http://h", "http://h/", "http", "h", 80, "/"},
        {"http://h/dir", "http://h/dir", "http", "h", 80, "/dir/"},
        {"http://h/page?id=7", "http://h/page?id=7", "http", "h", 80, "/page?id=7"},
        {"http://h/a.html?x=1", "http://h/a.html?x=1", "http", "h", 80, "/a.html?x=1"},
        {"http://h/dir?", "http://h/dir?", "http", "h", 80, "/dir?"},
        {"http://h/v1.2/dir", "http://h/v1.2/dir", "http", "h", 80, "/v1.2/dir"},
        {"https://h.test:8443/a/b.html", "https://h.test:8443/a/b.html", "https", "h.test", 8443,
         "/a/b.html"},
        {"HTTPS://H/x", "HTTPS://H/x", "https", "H", 443, "/x/"},
        {"http://h:/x.html", "http://h:/x.html", "http", "h", 80, "/x.html"},
        {"http://h?q=1", "http://h/?q=1", "http", "h", 80, "/?q=1"},
        {"http://h#top", "http://h/#top", "http", "h", 80, "/"},
        {"http://h/p.html#top", "http://h/p.html#top", "http", "h", 80, "/p.html"},
        {"http://h/a/./b/../c.html", "http://h/a/./b/../c.html", "http", "h", 80, "/a/c.html"},
        {"http://h/../../x.html", "http://h/../../x.html", "http", "h", 80, "/x.html"},
        {"http://h/a/b/..", "http://h/a/b/..", "http", "h", 80, "/a/"},
        {"http://h/dir\\sub\\page.html", "http://h/dir\\sub\\page.html", "http", "h", 80,
         "/dir/sub/page.html"},
        {"http://h\\a.html", "http://h\\a.html", "http", "h", 80, "/a.html"},
        {"http://h/a b/\xC3\xBC.html", "http://h/a b/\xC3\xBC.html", "http", "h", 80, "/a%20b/%C3%BC.html"},
        {"http://h/%20x.html?q=\"a b\"\\", "http://h/%20x.html?q=\"a b\"\\", "http", "h", 80,
         "/%20x.html?q=%22a%20b%22%5C"},
        {std::string("http://h/a\0b.html", 17), std::string("http://h/a\0b.html", 17), "http", "h", 80,
         "/a%00b.html"},
        {"http://user:pw@h.test:81/", "http://user:pw@h.test:81/", "http", "h.test", 81, "/"},
        {"http://[::1]:8080/x.html", "http://[::1]:8080/x.html", "http", "[::1]", 8080, "/x.html"},
        {"http://h/x?u=ftp://other/", "http://h/x?u=ftp://other/", "http", "h", 80, "/x?u=ftp://other/"},
    };
    for (const auto& c : cases) {
        const std::optional<RequestUrl> r = SplitRequestUrl(c.url);
        ASSERT_TRUE(r) << c.url;
        EXPECT_EQ(r->url, c.completed) << c.url;
        EXPECT_EQ(r->scheme, c.scheme) << c.url;
        EXPECT_EQ(r->server, c.server) << c.url;
        EXPECT_EQ(r->port, c.port) << c.url;
        EXPECT_EQ(r->object, c.object) << c.url;
    }
}

TEST(UrlRules, SplitRequestUrlRefusesWhatCannotBeFetched) {
    const std::vector<std::string> cases = {
        "",
        "ftp://h/file.zip",
        "h/x.html",
        "mailto:x",
        "http:/h/x",
        "http:///x.html",
        "http://user@/x",
        "http://h:99999/",
        "http://h:0/",
        "http://h:8x/",
        "http://h:-1/",
        "http://[::1/",
        "http://[::1]x/",
        "http:// /",
        "http://bad\tname/",
    };
    for (const auto& url : cases)
        EXPECT_FALSE(SplitRequestUrl(url)) << url;
}

TEST(UrlRules, SchemeTestsTellAbsoluteFromFetchable) {
    struct Case {
        std::string link;
        bool absolute;
        bool fetchable;
    };
    const std::vector<Case> cases = {
        {"HTTPS://h/", true, true},   {"Ftp://h/", true, false},   {"http://", true, true},
        {"https:/", false, false},    {"mailto:x", false, false},  {"javascript:f()", false, false},
        {"http:/h", false, false},    {"httpx://h", false, false}, {"", false, false},
        {" http://h/", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasCrawlScheme(c.link), c.absolute) << c.link;
        EXPECT_EQ(IsFetchableUrl(c.link), c.fetchable) << c.link;
    }
}

TEST(UrlRules, ResolveLinkJoinsToFolderOrHost) {
    struct Case {
        std::string link;
        std::string base;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"b.html", "http://h/a/", "http://h/a/b.html"},
        {"/c.html", "http://h/a/", "http://h/c.html"},
        {"/", "http://h/a/", "http://h/"},
        {"?p=1", "http://h/a/", "http://h/a/?p=1"},
        {"./x.html", "http://h/a/", "http://h/a/./x.html"},
        {"mailto:x", "http://h/a/", "http://h/a/mailto:x"},
        {"\\x.html", "http://h/a/", "http://h/a/\\x.html"},
        {"/c", "https://h.test:8443/a/", "https://h.test:8443/c"},
        {"/c", "http://h\\a\\", "http://h/c"},
        {"/c", "http://h?x=/", "http://h/c"},
        {"//cdn/x", "https://h/a/", "https://cdn/x"},
        {"//cdn/x", "HTTP://h/a/", "HTTP://cdn/x"},
        {"/c.html", "dir/", "dir/c.html"},
        {"/", "dir/", "dir//"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLink(c.link, c.base), c.expected) << c.link << " on " << c.base;
}

TEST(UrlRules, SameSiteComparesTheSiteOfTheHostThenThePathAsWritten) {
    struct Case {
        std::string link;
        std::string root;
        bool same;
    };
    const std::vector<Case> cases = {
        {"http://b.site.test/dir/x.html", "http://a.site.test/dir/", true},
        {"https://www.site.test/dir/", "http://a.site.test/dir/", true},
        {"http://a.site.test/other/", "http://a.site.test/dir/", false},
        {"http://a.site.test/Dir/", "http://a.site.test/dir/", false},
        {"http://intranet/a.html", "http://intranet/", true},
        {"http://intranet/", "http://intranet/", true},
        {"http://www.example.com/x.html", "http://example.com/", true},
        {"http://example.com/x.html", "http://www.example.com/", true},
        {"http://WWW.Example.COM/", "http://example.com/", true},
        {"http://other.com/", "http://example.com/", false},
        {"http://a.b.example.com/", "http://example.com/", false},
        {"http://10.0.0.1/", "http://127.0.0.1/", false},
        {"http://8.0.0.1/", "http://127.0.0.1/", false},
        {"https://127.0.0.1/a.html", "http://127.0.0.1/", true},
        {"http://127.0.0.1:81/", "http://127.0.0.1:80/", false},
        {"http://www.site.test@evil.test/dir/", "http://a.site.test/dir/", false},
        {"http://[::1]/dir/", "http://[::2]/dir/", false},
        {"dir/x.html", "http://intranet/", false},
        {"http://intranet/", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSameSite(c.link, c.root), c.same) << c.link << " with " << c.root;
}

TEST(UrlRules, QueueAddressOfLinkFollowsTheCrawlRules) {
    const std::string base = "http://www.host.test/dir/sub/";
    const std::string root = "http://www.host.test/dir/";
    struct Case {
        std::string link;
        std::optional<std::string> sameSiteOnly;
        std::optional<std::string> allSites;
    };
    const std::vector<Case> cases = {
        {"b.html", "http://www.host.test/dir/sub/b.html", "http://www.host.test/dir/sub/b.html"},
        {"/c.html", "http://www.host.test/c.html", "http://www.host.test/c.html"},
        {"../d.html", std::nullopt, std::nullopt},
        {"..", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"HTTP://Web.host.test/dir/x.html", "HTTP://Web.host.test/dir/x.html",
         "HTTP://Web.host.test/dir/x.html"},
        {"http://www.host.test/other/", std::nullopt, "http://www.host.test/other/"},
        {"http://other.site/", std::nullopt, "http://other.site/"},
        {"//cdn.other/x", std::nullopt, "http://cdn.other/x"},
        {"//web.host.test/dir/y.html", "http://web.host.test/dir/y.html", "http://web.host.test/dir/y.html"},
        {"./e.html", "http://www.host.test/dir/sub/./e.html", "http://www.host.test/dir/sub/./e.html"},
        {"mailto:a@b", "http://www.host.test/dir/sub/mailto:a@b", "http://www.host.test/dir/sub/mailto:a@b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QueueAddressOfLink(c.link, base, root, false), c.sameSiteOnly) << c.link;
        EXPECT_EQ(QueueAddressOfLink(c.link, base, root, true), c.allSites) << c.link;
    }
}

TEST(UrlRules, SpellingsOfOneAddressShareTheirCanonicalForm) {
    const std::string page = CanonicalAddress("http://Host.Test/dir/a.html");
    for (const char* spelling :
         {"http://host.test/dir/./a.html", "http://host.test//dir//a.html", "http://host.test/\\dir\\a.html",
          "HTTP://host.test:80/x/../dir/a.html#top", "http://host.test/./\\/dir/a.html"})
        EXPECT_EQ(CanonicalAddress(spelling), page) << spelling;
    // Queries, ports, schemes and folders stay apart; what cannot be fetched is compared as written.
    for (const char* other :
         {"http://host.test/dir/a.html?x=1", "http://host.test:8080/dir/a.html",
          "https://host.test/dir/a.html", "http://host.test/dir/a.html/", "http://host.test/DIR/a.html"})
        EXPECT_NE(CanonicalAddress(other), page) << other;
    EXPECT_EQ(CanonicalAddress("http://h/?a=//b"), "http://h:80/?a=//b");
    EXPECT_EQ(CanonicalAddress("ftp://h//x"), "ftp://h//x");
}
