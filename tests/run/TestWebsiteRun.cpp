#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "app/Settings.h"
#include "crawler/CrawlControl.h"
#include "crawler/UrlRules.h"
#include "platform/EventPump.h"
#include "run/RunControl.h"
#include "store/IndexDataFile.h"
#include "tests/run/RecordingView.h"
#include "tests/support/Compression.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using Server = LoopbackServer;
using testsupport::readFile;

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Also notes, at the moment "Finish" is shown, how many crawling threads the crawl still counts as running.
class CrawlView : public RecordingView {
public:
    void setStatusText(const std::string& text) override {
        if (text == "Finish" && run && run->crawl())
            threadsAtFinish = run->crawl()->threadCount();
        RecordingView::setStatusText(text);
    }
    void setConnectionText(const std::string& text) override {
        connection = text;
        RecordingView::setConnectionText(text);
    }

    RunControl* run = nullptr;
    int threadsAtFinish = -1;
    std::string connection; // set on the crawl's own thread only
};

class WebsiteRun : public ::testing::Test {
protected:
    WebsiteRun() : paths(AppPaths::forProgramFolder(program.folder())) {
        settings.profile = ProfileSettings::defaults(paths.programFolder);
        settings.profile.ScriptType = ScriptTypes::JavaScript;
        settings.profile.UseLinksType = 1;
        settings.profile.CheckReplacePath = 0;
        settings.profileNames = {"YourSiteName1"};
    }

    // Crawls from the address and waits for "Finish", with a dispatch tick short enough for tests.
    void crawl(RunControl& run, const std::string& address, CrawlView* shown = nullptr) {
        CrawlView& watched = shown ? *shown : view;
        run.setCrawlTiming(timing, 5);
        watched.run = &run;
        ASSERT_TRUE(run.IndexWebsite(address));
        run.waitForJob();
        EXPECT_EQ(watched.threadsAtFinish, 0)
            << "the crawl finished while a crawling thread was still running";
    }

    std::vector<std::string> fetched(const Server& server) const {
        std::vector<std::string> paths = server.requests();
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    testsupport::ProgramFolder program;
    AppPaths paths;
    Settings settings;
    CrawlView view;
    SpiderSettings timing = [] {
        SpiderSettings spider;
        spider.connectTimeoutMs = 5000;
        spider.stallTimeoutSeconds = 5;
        spider.retryDelayMs = 10;
        return spider;
    }();
};

// A small site with the links a crawl must get right: fragments, spellings of the same page, folders,
// a style sheet, another site, a link above the root, an excluded page and a missing one.
const std::map<std::string, std::string> kSite = {
    {"/site/", R"(<title>Home</title><a href="a.html">a</a><a href="a.html#part">a again</a>
        <a href="/site/b.html">b</a><a href="../up.html">up</a><a href="style.css">css</a>
        <a href="http://other.example/x.html">other</a><a href="mailto:me@example.com">mail</a>
        <a href="sub/">sub</a><a href="excluded.html">x</a><a href="missing.html">gone</a><a href="#top">top</a>)"},
    {"/site/a.html", R"(<title>A</title>Alpha <a href="b.html">b</a>)"},
    {"/site/b.html", R"(<title>B</title>Beta <a href="c.txt">c</a><a href="a.html">a</a>)"},
    {"/site/c.txt", "plain text"},
    {"/site/sub/", R"(<title>Sub</title><a href="../a.html">a</a><a href="d.html">d</a>)"},
    {"/site/sub/d.html", R"(<title>D</title>Delta)"},
    {"/site/excluded.html", "<title>X</title>"},
    {"/up.html", "<title>Up</title>"},
};

Server::Reply serveSite(const std::string& path) {
    const auto page = kSite.find(path);
    if (page == kSite.end())
        return Server::status(404);
    return Server::page(page->second, path.ends_with(".txt") ? "text/plain" : "text/html");
}

TEST_F(WebsiteRun, CrawlsEveryPageUnderTheRootOnceAndIndexesIt) {
    Server server(serveSite);
    settings.profile.NoIncFileList = {server.url("/site/excluded.html")};
    RunControl run(paths, settings, view);
    // The crawl starts at the folder of a typed page.
    crawl(run, server.url("/site/a.html"));

    // robots.txt and the sitemap are asked for too (the site has neither).
    EXPECT_EQ(fetched(server), (std::vector<std::string>{"/robots.txt", "/site/", "/site/a.html",
                                                         "/site/b.html", "/site/c.txt", "/site/missing.html",
                                                         "/site/sub/", "/site/sub/d.html", "/sitemap.xml"}));
    const std::string data = readFile(paths.indexDataPath);
    EXPECT_TRUE(data.starts_with("arrFiles=new Array();"));
    EXPECT_TRUE(data.ends_with("fileNum=6;"));
    EXPECT_EQ(count(data, "fileNum="), 1u);
    EXPECT_EQ(count(data, "arrFiles["), 6u);
    EXPECT_NE(data.find(R"(new Array(")" + server.url("/site/sub/d.html") + R"(","D","Delta")"),
              std::string::npos);
    EXPECT_EQ(run.lastRecordCount(), 6);
    // The page list and the index agree.
    ASSERT_EQ(view.rows().size(), 6u);
    for (const auto& row : view.rows())
        EXPECT_EQ(row.status, "Indexed") << row.page;
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_TRUE(view.goEnabled());
    EXPECT_FALSE(view.stopEnabled());
    EXPECT_TRUE(run.idle());
    EXPECT_TRUE(view.messages().empty());
}

TEST_F(WebsiteRun, APageUnderManySpellingsIsFetchedOnce) {
    // A single "\\" link used to make the whole site reachable again under a longer and longer prefix.
    Server server([](const std::string& path) {
        if (path == "/" || path == "//")
            return Server::page(R"(<a href="\">x</a><a href="./a.html">a</a><a href=".\a.html">a</a>
                                   <a href="a.html#x">a</a><a href="/./a.html">a</a><a href="//127.0.0.1/">h</a>)");
        return Server::page(R"(<title>A</title><a href="\">back</a><a href="./">back</a>)");
    });
    // Without the dedupe the crawl would go on for ever; the page limit ends it, and the count fails.
    settings.profile.MaxPageCount = 20;
    RunControl run(paths, settings, view);
    crawl(run, server.url("/"));
    EXPECT_EQ(fetched(server), (std::vector<std::string>{"/", "/a.html", "/robots.txt", "/sitemap.xml"}));
    EXPECT_EQ(run.lastRecordCount(), 2);
}

TEST_F(WebsiteRun, TheCrawlEndsOnlyAfterThePageInFlight) {
    // Nothing waits while the slow page is fetched: many idle ticks pass, and the crawl must not end.
    Server server([](const std::string& path) {
        if (path == "/")
            return Server::page(R"(<a href="slow.html">slow</a>)");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return Server::page("<title>Slow</title>");
    });
    RunControl run(paths, settings, view);
    crawl(run, server.url("/"));
    EXPECT_EQ(run.lastRecordCount(), 2);
    EXPECT_TRUE(readFile(paths.indexDataPath).ends_with("fileNum=2;"));
}

TEST_F(WebsiteRun, ACrawlThatReachesThePageLimitEndsNormallyAndSaysSo) {
    // Every page links to the next one, without end.
    Server server([](const std::string& path) {
        const size_t at = path.find("n=");
        const int n = at == std::string::npos ? 0 : std::stoi(path.substr(at + 2));
        return Server::page("<a href=\"p.php?n=" + std::to_string(n + 1) + "\">next</a>");
    });
    settings.profile.MaxPageCount = 5;
    RunControl run(paths, settings, view);
    crawl(run, server.url("/"));
    EXPECT_EQ(server.requests().size(), 5u + 2); // robots.txt and the sitemap are not pages
    EXPECT_EQ(run.lastRecordCount(), 5);
    EXPECT_TRUE(readFile(paths.indexDataPath).ends_with("fileNum=5;"));
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_TRUE(view.messages().empty()); // a limit is no failure
    EXPECT_EQ(view.connection, "Page limit reached (MaxPageCount 5)");
    EXPECT_EQ(
        run.crawl()->endNotes(),
        std::vector<std::string>{
            "The crawl stopped at its limit of 5 pages (MaxPageCount); 1 address found was not fetched."});
}

TEST_F(WebsiteRun, TheCrawlTakesItsLimitsFromTheProfileWithinTheirBounds) {
    Server server([](const std::string&) { return Server::page("<title>T</title>"); });
    ProfileSettings profile = settings.profile;
    profile.UseThreadNum = 0; // an options window may hold any number
    profile.FetchTimeLimit = 77;
    profile.MaxPageSize = 100;
    profile.IndexPageOtherSite = 1;
    std::atomic<int> idle{0};
    IndexDatabase database(paths.databasePath, view);
    {
        CrawlControl crawl({view, database, profile, {}, 0, paths.indexDataPath, idle}, server.url("/"), {},
                           3600000);
        EXPECT_EQ(crawl.spiderSettings().totalTimeoutSeconds, 77);
        EXPECT_EQ(crawl.spiderSettings().maxBodyBytes, 100u * 1024);
        EXPECT_EQ(crawl.spiderSettings().crawlRoot, server.url("/"));
        EXPECT_TRUE(crawl.spiderSettings().followOtherSites);
        crawl.StartCrawl();
        crawl.OnCrawlTimer();
        EXPECT_EQ(crawl.threadCount(), 1) << "no thread at all would leave the crawl waiting for ever";
    }
}

TEST_F(WebsiteRun, StopWhileEveryThreadIsBlockedEndsAfterTheThreadsWithOneTrailer) {
    Server server([](const std::string& path) {
        if (path == "/")
            return Server::page(R"(<a href="s1.html"></a><a href="s2.html"></a><a href="s3.html"></a>
                                   <a href="s4.html"></a><a href="s5.html"></a>)");
        if (path == "/robots.txt" || path == "/sitemap.xml")
            return Server::status(404);
        return Server::of(Server::Reply::Stall);
    });
    settings.profile.UseThreadNum = 3;
    RunControl run(paths, settings, view);
    SpiderSettings spider;
    spider.stallTimeoutSeconds = 3600;
    run.setCrawlTiming(spider, 5);
    ASSERT_TRUE(run.IndexWebsite(server.url("/")));
    // robots.txt, the root, the sitemap and three stalled pages
    waitHandlingEvents([&] { return server.requests().size() >= 6; });
    EXPECT_EQ(run.crawl()->threadCount(), 3);
    run.Stop();
    EXPECT_TRUE(view.goEnabled());
    run.waitForJob();

    EXPECT_EQ(server.requests().size(), 6u) << "nothing is dispatched after Stop";
    EXPECT_EQ(readFile(paths.indexDataPath), R"(arrFiles=new Array();arrFiles[0]=new Array(")" +
                                                 server.url("/") + R"(","NO TITLE","","","","");fileNum=1;)");
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_EQ(run.crawl()->threadCount(), 0);
}

TEST_F(WebsiteRun, StopBeforeTheRootArrivedKeepsThePreviousIndexWithoutAMessage) {
    Server server([](const std::string&) { return Server::of(Server::Reply::Stall); });
    const std::string previous = "arrFiles=new Array();fileNum=0;";
    program.write("IndexData.dat", previous);
    RunControl run(paths, settings, view);
    run.setCrawlTiming(timing, 5);
    ASSERT_TRUE(run.IndexWebsite(server.url("/")));
    waitHandlingEvents([&] { return !server.requests().empty(); });
    run.Stop();
    run.waitForJob();
    EXPECT_EQ(readFile(paths.indexDataPath), previous);
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_TRUE(view.messages().empty()); // the user stopped it; nothing failed
}

TEST_F(WebsiteRun, DatabaseVariantFillsTheTableWithThePages) {
    Server server(serveSite);
    settings.profile.ScriptType = ScriptTypes::Asp;
    settings.profile.UseLinksType = 0;
    {
        RunControl run(paths, settings, view);
        crawl(run, server.url("/site/sub/d.html"));
    }
    // The root page's relative address is empty, and a row needs an address: only its page is kept.
    const auto rows =
        testsupport::queryRows(program.databasePath(), "SELECT ID, FileName, Title FROM IndexData");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (testsupport::DbRow{"1", "d.html", "D"}));
    EXPECT_EQ(view.rows().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(paths.indexDataPath));
}

// Nothing of the site arrived: an empty index must not replace the previous one, and the user is told why.
TEST_F(WebsiteRun, AStartAddressThatCannotBeFetchedFailsTheRunAndKeepsThePreviousIndex) {
    Server server([](const std::string& path) {
        if (path == "/missing/")
            return Server::status(404);
        if (path == "/picture/")
            return Server::page("GIF89a", "image/gif");
        if (path == "/stalls/")
            return Server::of(Server::Reply::Stall);
        return Server::page("<title>Page</title>");
    });
    int closedPort = 0;
    {
        const Server closed([](const std::string&) { return Server::page(""); });
        closedPort = closed.port();
    }
    const std::string previous =
        "arrFiles=new Array();arrFiles[0]=new Array(\"a\",\"Old\",\"\",\"\",\"\",\"\");fileNum=1;";
    struct Case {
        std::string address;
        std::string reason; // part of the reason shown, when it is the crawl's own
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1:" + std::to_string(closedPort) + "/", ""},
        {"http://no-such-host.invalid/", ""},
        {server.url("/stalls/"), ""},
        {"https://127.0.0.1:" + std::to_string(server.port()) + "/", ""}, // no TLS: no trusted certificate
        {NormalizeStartAddress("http:/127.0.0.1/"), ""},
        {server.url("/missing/"), ""},
        {server.url("/picture/"), ""},
        {server.url("/excluded/"), "exclusion list"},
    };
    // A time-out, and a TLS handshake that gets no answer, take one short wait per attempt.
    timing.stallTimeoutSeconds = 1;
    timing.connectTimeoutMs = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        program.write("IndexData.dat", previous);
        CrawlView shown;
        settings.profile.NoIncFileList = {server.url("/excluded/")};
        RunControl run(paths, settings, shown);
        crawl(run, c.address, &shown);
        EXPECT_EQ(readFile(paths.indexDataPath), previous);
        EXPECT_FALSE(std::filesystem::exists(PendingIndexDataPath(paths.indexDataPath)));
        ASSERT_EQ(shown.messages().size(), 1u);
        const std::string message = shown.messages()[0];
        EXPECT_EQ(message.rfind("Cannot fetch the start address " + run.crawlRoot() + "\nReason: ", 0), 0u)
            << message;
        EXPECT_TRUE(message.ends_with("\nThe previous index is kept.")) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        EXPECT_EQ(shown.status(), "Finish");
        EXPECT_TRUE(shown.goEnabled());
        EXPECT_TRUE(run.idle());
    }
}

TEST_F(WebsiteRun, AFailedCrawlKeepsThePreviousDatabaseRows) {
    Server server(serveSite);
    settings.profile.ScriptType = ScriptTypes::Asp;
    settings.profile.UseLinksType = 0;
    {
        RunControl run(paths, settings, view);
        crawl(run, server.url("/site/sub/"));
    }
    const auto rows = testsupport::queryRows(program.databasePath(), "SELECT * FROM IndexData");
    ASSERT_FALSE(rows.empty());
    CrawlView shown;
    {
        RunControl run(paths, settings, shown);
        crawl(run, server.url("/nothing-here/"), &shown);
    }
    EXPECT_EQ(testsupport::queryRows(program.databasePath(), "SELECT * FROM IndexData"), rows);
    EXPECT_EQ(shown.messages().size(), 1u);
}

} // namespace

namespace {

// A site with a robots.txt of its own; everything else as kSite serves it.
Server::Reply serveWithRobots(const std::string& path, const std::string& robots) {
    if (path == "/robots.txt")
        return Server::page(robots, "text/plain");
    return serveSite(path);
}

} // namespace

TEST_F(WebsiteRun, RobotsTxtKeepsTheCrawlOffDisallowedPagesAndTheEndSaysHowMany) {
    Server server([](const std::string& path) {
        return serveWithRobots(path, "User-agent: *\nDisallow: /site/sub/\nDisallow: /site/b.html$\n");
    });
    RunControl run(paths, settings, view);
    crawl(run, server.url("/site/"));

    EXPECT_EQ(fetched(server),
              (std::vector<std::string>{"/robots.txt", "/site/", "/site/a.html", "/site/excluded.html",
                                        "/site/missing.html", "/sitemap.xml"}));
    EXPECT_EQ(server.requests().front(), "/robots.txt"); // before the first page
    const std::vector<std::string> notes = run.crawl()->endNotes();
    EXPECT_EQ(notes, (std::vector<std::string>{"2 addresses were excluded by robots.txt.",
                                               "1 address could not be fetched: 1 HTTP status 404."}));
    EXPECT_EQ(view.connection, "2 excluded by robots.txt; 1 not fetched");
    std::vector<std::string> details = run.crawl()->endDetails();
    std::sort(details.begin(), details.end());
    EXPECT_EQ(details, (std::vector<std::string>{"Excluded\t" + server.url("/site/b.html") + "\trobots.txt",
                                                 "Excluded\t" + server.url("/site/sub/") + "\trobots.txt",
                                                 "Failed\t" + server.url("/site/missing.html") +
                                                     "\tHTTP status 404"}));
    int excludedRows = 0;
    for (const RecordingView::Row& row : view.rows())
        excludedRows += row.status == "Excluded" ? 1 : 0;
    EXPECT_EQ(excludedRows, 2);
}

TEST_F(WebsiteRun, AMissingRobotsTxtAllowsAllAndAFailingOneNothingUnlessIgnored) {
    int robotsAsked = 0;
    Server server([&robotsAsked](const std::string& path) {
        if (path == "/robots.txt")
            return ++robotsAsked, Server::status(503);
        return serveSite(path);
    });
    Server missing([](const std::string& path) {
        return path == "/robots.txt" ? Server::status(404) : serveSite(path);
    });

    RunControl failing(paths, settings, view);
    crawl(failing, server.url("/site/"));
    EXPECT_EQ(fetched(server), std::vector<std::string>(3, "/robots.txt")); // asked again, then given up
    ASSERT_EQ(view.messages().size(), 1u);
    EXPECT_NE(view.messages()[0].find("robots.txt could not be fetched: HTTP status 503"), std::string::npos)
        << view.messages()[0];

    CrawlView shown;
    RunControl open(paths, settings, shown);
    crawl(open, missing.url("/site/"), &shown);
    EXPECT_EQ(open.lastRecordCount(), 7);

    settings.profile.IgnoreRobotsTxt = 1;
    CrawlView ignoring;
    RunControl ignored(paths, settings, ignoring);
    crawl(ignored, server.url("/site/"), &ignoring);
    EXPECT_EQ(ignored.lastRecordCount(), 7);
    EXPECT_EQ(robotsAsked, 3);
}

TEST_F(WebsiteRun, SitemapsAddPagesNoLinkLeadsToAndNofollowLinksAreLeft) {
    const std::string child = R"(<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">
        <url><loc>URL/site/only-in-map.html</loc></url><url><loc>URL/elsewhere.html</loc></url>
        <url><loc>URL/site/image.gif</loc></url></urlset>)";
    std::string port;
    Server server([&](const std::string& path) {
        const std::string root = "http://127.0.0.1:" + port;
        if (path == "/robots.txt")
            return Server::page("Sitemap: " + root + "/maps/index.xml\n", "text/plain");
        if (path == "/maps/index.xml")
            return Server::page("<sitemapindex><sitemap><loc>" + root +
                                    "/maps/child.xml.gz</loc></sitemap></sitemapindex>",
                                "application/xml");
        if (path == "/maps/child.xml.gz") {
            std::string xml = child;
            for (size_t at = xml.find("URL"); at != std::string::npos; at = xml.find("URL", at))
                xml.replace(at, 3, root);
            return Server::page(testsupport::gzipOf(xml), "application/gzip");
        }
        if (path == "/site/")
            return Server::page(R"(<title>Home</title><a href="nf.html" rel="nofollow">no</a>)");
        if (path == "/site/only-in-map.html")
            return Server::page("<title>Mapped</title>");
        return Server::status(404);
    });
    port = std::to_string(server.port());
    RunControl run(paths, settings, view);
    crawl(run, server.url("/site/"));
    EXPECT_EQ(fetched(server),
              (std::vector<std::string>{"/maps/child.xml.gz", "/maps/index.xml", "/robots.txt", "/site/",
                                        "/site/only-in-map.html", "/sitemap.xml"}));
    EXPECT_EQ(run.lastRecordCount(), 2);
}

TEST_F(WebsiteRun, PagesInAnyCharacterSetAreIndexedAsUtf8) {
    const std::string utf16 = [] {
        std::string bytes("\xFE\xFF", 2); // big-endian, under a header that says otherwise
        for (const char16_t unit : std::u16string(u"<title>\u00DCber</title>"))
            bytes += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
        return bytes;
    }();
    const std::map<std::string, Server::Reply> pages = {
        {"/", Server::page(R"(<a href="a.html"></a><a href="b.html"></a><a href="c.html"></a>
            <a href="d.html"></a><a href="e.html"></a><a href="f.html"></a>)")},
        {"/a.html", Server::page("<title>caf\xE9</title>")}, // no name: the Windows-1252 fallback
        {"/b.html", Server::page("<title>\xA3\xF3"
                                 "d\xBC</title>",
                                 "text/html; charset=ISO-8859-2")},
        {"/c.html", Server::page("<meta charset=shift_jis><title>\x93\xFA\x96\x7B</title>")},
        {"/d.html", Server::page("<title>\xD6\xD0\xCE\xC4</title>", "text/html; charset=GBK")},
        {"/e.html", Server::page("<title>\xC7\xD1\xB1\xB9</title>", "text/html; charset=EUC-KR")},
        {"/f.html", Server::page(utf16, "text/html; charset=iso-8859-1")},
    };
    Server server([&pages](const std::string& path) {
        const auto page = pages.find(path);
        return page == pages.end() ? Server::status(404) : page->second;
    });
    RunControl run(paths, settings, view);
    crawl(run, server.url("/"));
    const std::string index = readFile(paths.indexDataPath);
    for (const char* title :
         {"caf\u00E9", "\u0141\u00F3d\u017A", "\u65E5\u672C", "\u4E2D\u6587", "\uD55C\uAD6D", "\u00DCber"})
        EXPECT_NE(index.find(std::string("\"") + title + "\""), std::string::npos) << title;
}
