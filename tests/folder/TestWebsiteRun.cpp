#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/Settings.h"
#include "crawler/CrawlControl.h"
#include "folder/RunControl.h"
#include "platform/EventPump.h"
#include "tests/folder/RecordingView.h"
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
    void crawl(RunControl& run, const std::string& address) {
        SpiderSettings spider;
        spider.connectTimeoutMs = 5000;
        spider.stallTimeoutSeconds = 5;
        spider.retryDelayMs = 10;
        run.setCrawlTiming(spider, 5);
        ASSERT_TRUE(run.IndexWebsite(address));
        run.waitForJob();
    }

    std::vector<std::string> fetched(const Server& server) const {
        std::vector<std::string> paths = server.requests();
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    testsupport::ProgramFolder program;
    AppPaths paths;
    Settings settings;
    RecordingView view;
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

    EXPECT_EQ(fetched(server),
              (std::vector<std::string>{"/site/", "/site/a.html", "/site/b.html", "/site/c.txt",
                                        "/site/missing.html", "/site/sub/", "/site/sub/d.html"}));
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
    RunControl run(paths, settings, view);
    crawl(run, server.url("/"));
    EXPECT_EQ(fetched(server), (std::vector<std::string>{"/", "/a.html"}));
    EXPECT_EQ(run.lastRecordCount(), 2);
}

TEST_F(WebsiteRun, StopWhileEveryThreadIsBlockedEndsAfterTheThreadsWithOneTrailer) {
    Server server([](const std::string& path) {
        if (path == "/")
            return Server::page(R"(<a href="s1.html"></a><a href="s2.html"></a><a href="s3.html"></a>
                                   <a href="s4.html"></a><a href="s5.html"></a>)");
        return Server::of(Server::Reply::Stall);
    });
    settings.profile.UseThreadNum = 3;
    RunControl run(paths, settings, view);
    SpiderSettings spider;
    spider.stallTimeoutSeconds = 3600;
    run.setCrawlTiming(spider, 5);
    ASSERT_TRUE(run.IndexWebsite(server.url("/")));
    waitHandlingEvents([&] { return server.requests().size() >= 4; }); // the root and three stalled pages
    EXPECT_EQ(run.crawl()->threadCount(), 3);
    run.Stop();
    EXPECT_TRUE(view.goEnabled());
    run.waitForJob();

    EXPECT_EQ(server.requests().size(), 4u) << "nothing is dispatched after Stop";
    EXPECT_EQ(readFile(paths.indexDataPath), R"(arrFiles=new Array();arrFiles[0]=new Array(")" +
                                                 server.url("/") + R"(","NO TITLE","","","","");fileNum=1;)");
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_EQ(run.crawl()->threadCount(), 0);
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

TEST_F(WebsiteRun, AServerThatCannotBeReachedFinishesWithAnEmptyIndex) {
    RunControl run(paths, settings, view);
    crawl(run, "http://no-such-host.invalid/");
    EXPECT_EQ(readFile(paths.indexDataPath), "arrFiles=new Array();fileNum=0;");
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_TRUE(view.rows().empty());
}

} // namespace
