#include <gtest/gtest.h>

#include "app/Settings.h"
#include "crawler/CrawlPageHandler.h"
#include "index/PageExtractor.h"
#include "index/PageFile.h"

namespace {

const std::string kRoot = "http://www.host.test/dir/";

std::vector<std::string> queued(const std::string& links, const ProfileSettings& profile = {},
                                const std::string& page = "http://www.host.test/dir/a.html") {
    return LinksToQueue(links, page, kRoot, profile).addresses;
}

TEST(CrawlPageHandler, LinksAreCutJoinedAndFilteredAsTheCrawlFollowsThem) {
    EXPECT_EQ(queued(R"(<a href="b.html#top"><a href="/c.html"><a href="../d.html"><a href="#only">)"),
              (std::vector<std::string>{"http://www.host.test/dir/b.html", "http://www.host.test/c.html"}));
    // Types: a style sheet is no page, a query keeps the type before it, a host name's "." is no type.
    EXPECT_EQ(queued(R"(<a href="style.css"><a href="page.php?id=7"><a href="http://other.site">)"
                     R"(<a href="HTTP://web.host.test/dir/x.html">)"),
              (std::vector<std::string>{"http://www.host.test/dir/page.php?id=7",
                                        "HTTP://web.host.test/dir/x.html"}));
    // Other sites only when asked for; a folder address of another site passes the type test.
    ProfileSettings others;
    others.IndexPageOtherSite = 1;
    EXPECT_TRUE(queued(R"(<a href="http://other.site/">)").empty());
    EXPECT_EQ(queued(R"(<a href="http://other.site/">)", others),
              (std::vector<std::string>{"http://other.site/"}));
    // A tag asking not to be followed ends the page's links.
    EXPECT_TRUE(queued(R"(<a href="b.html"><meta name="robots" content="noindex">)").empty());
    // Links of a page in a sub-folder join to that folder.
    EXPECT_EQ(queued(R"(<a href="e.htm">)", {}, "http://www.host.test/dir/sub/"),
              (std::vector<std::string>{"http://www.host.test/dir/sub/e.htm"}));
}

TEST(CrawlPageHandler, LinksLongerThanTheAddressLimitAreCountedNotQueued) {
    ProfileSettings profile;
    profile.MaxUrlLength = 64;
    const std::string fits(64 - kRoot.size() - 5, 'a'); // the joined address is exactly 64 characters
    const PageLinks links = LinksToQueue("<a href=\"" + fits + ".html\"><a href=\"" + fits + "b.html\">",
                                         kRoot + "a.html", kRoot, profile);
    EXPECT_EQ(links.addresses, std::vector<std::string>{kRoot + fits + ".html"});
    EXPECT_EQ(links.tooLong, 1);
}

TEST(CrawlPageHandler, APageOutsideTheRootIsIndexedButItsLinksAreNotFollowed) {
    const ProfileSettings profile;
    const std::string links = R"(<title>T</title><a href="b.html">)";
    const PreparedPage inside = PreparePage(links, kRoot + "a.html", kRoot, profile, 0);
    EXPECT_EQ(inside.links.addresses, std::vector<std::string>{kRoot + "b.html"});
    EXPECT_EQ(inside.linkKeys, std::vector<std::string>{"http://www.host.test:80/dir/b.html"});

    const PreparedPage outside = PreparePage(links, "http://www.host.test/other/a.html", kRoot, profile, 0);
    EXPECT_TRUE(outside.indexed);
    EXPECT_EQ(outside.fields.title, "T");
    EXPECT_TRUE(outside.links.addresses.empty());
    // Neither shown nor indexed: an empty page, a type not indexed.
    EXPECT_FALSE(PreparePage("", kRoot + "a.html", kRoot, profile, 0).indexed);
    EXPECT_FALSE(PreparePage(links, kRoot + "a.gif", kRoot, profile, 0).indexed);
}

TEST(CrawlPageHandler, PageKindComesFromTheTextAfterTheLastDot) {
    const ProfileSettings profile;
    EXPECT_EQ(PageKindOfAddress("http://host/dir/a.HTML", profile), FileKinds::Html);
    EXPECT_EQ(PageKindOfAddress("http://host/dir/notes.txt", profile), FileKinds::Text);
    EXPECT_EQ(PageKindOfAddress("http://host/dir/pic.gif", profile), FileKinds::NotIndexed);
    EXPECT_EQ(PageKindOfAddress("http://localhost/", profile), FileKinds::Html);
    EXPECT_EQ(PageKindOfAddress("http://www.host.example/dir/", profile), FileKinds::Html);
    // The "/" that makes a page counts also when it stands after a "?".
    EXPECT_EQ(PageKindOfAddress("http://host/v1.cgi?next=a/b", profile), FileKinds::Html);
}

TEST(CrawlPageHandler, IndexingOnlyTheHeadCutsBeforeTheBodyTag) {
    EXPECT_EQ(CutBeforeBody("<html><head><title>T</title></head>< BODY bgcolor=white>text"),
              "<html><head><title>T</title></head>");
    EXPECT_EQ(CutBeforeBody("<html><title>No body</title>"), "");
    EXPECT_EQ(CutBeforeBody("<p>a<bodyguard>"), "<p>a");
}

} // namespace
