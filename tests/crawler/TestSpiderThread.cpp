#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <sys/socket.h>

#include "crawler/SpiderThread.h"
#include "tests/support/LoopbackServer.h"

namespace {

using Server = LoopbackServer;

// Records what a crawling thread tells, as the crawl control would receive it.
class RecordingEvents : public SpiderEvents {
public:
    void spiderUrl(const std::string& url) override { add(urls, url); }
    void spiderStatus(const std::string& phrase) override { add(phrases, phrase); }
    void spiderPage(SpiderJob& job) override { add(pages, job.pageText); }
    void spiderThreadEnd(SpiderJob&) override {
        std::lock_guard lock(mutex);
        ++ends;
    }

    std::mutex mutex;
    std::vector<std::string> urls, phrases, pages;
    int ends = 0;

private:
    void add(std::vector<std::string>& list, const std::string& text) {
        std::lock_guard lock(mutex);
        list.push_back(text);
    }
};

struct Fetch {
    std::optional<std::string> page;
    std::string jobUrl;
    std::string failure;
    RecordingEvents events;
};

SpiderSettings quick() {
    SpiderSettings settings;
    settings.connectTimeoutMs = 5000;
    settings.stallTimeoutSeconds = 1;
    settings.retryDelayMs = 10;
    return settings;
}

// Fetches one address on a crawling thread and waits for the thread's end.
void fetch(Fetch& result, const std::string& url, SpiderSettings settings = quick()) {
    SpiderJob job;
    job.url = url;
    CSpiderThread thread(job, result.events, std::move(settings));
    ASSERT_TRUE(thread.start());
    thread.join();
    result.jobUrl = job.url;
    result.failure = job.failure;
    EXPECT_EQ(result.events.ends, 1) << "every thread ends with exactly one end notification";
    ASSERT_LE(result.events.pages.size(), 1u);
    if (!result.events.pages.empty())
        result.page = result.events.pages.front();
}

TEST(SpiderThread, BodyArrivesInPiecesCutAtNulWithLineFeedsAsCrLf) {
    std::string large(10000, 'y');
    large[100] = '\0'; // ends the first 4095-byte piece early; the next pieces come whole
    Server server([&](const std::string& path) {
        return path == "/lines.txt" ? Server::page("a\r\nb\nc", "text/plain") : Server::page(large);
    });
    Fetch lines, big;
    fetch(lines, server.url("/lines.txt"));
    EXPECT_EQ(lines.page, "a\r\r\nb\r\nc");
    fetch(big, server.url("/big.html"));
    EXPECT_EQ(big.page, large.substr(0, 100) + large.substr(4095));
}

TEST(SpiderThread, OnlyA200ResponseWhoseTypeSaysTextIsAPage) {
    Server server([](const std::string& path) {
        if (path == "/missing.html")
            return Server::status(404);
        if (path == "/203.html")
            return Server::status(203); // a text/html body, but not the page itself
        if (path == "/plain.txt")
            return Server::page("plain", "text/plain; charset=utf-8");
        if (path == "/upper.html")
            return Server::page("upper", "Text/HTML");
        if (path == "/none/") // the fetch gives a path without a dot its folder slash
            return Server::page("none", "");
        return Server::page("GIF89a", "image/gif");
    });
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/plain.txt", ""},
        {"/upper.html", "not a text page (Text/HTML)"},
        {"/none", "not a text page (no content type)"},
        {"/image.gif", "not a text page (image/gif)"},
        {"/missing.html", "HTTP status 404"},
        {"/203.html", "HTTP status 203"}};
    for (const auto& [path, failure] : cases) {
        Fetch result;
        fetch(result, server.url(path));
        EXPECT_EQ(result.page.has_value(), failure.empty()) << path;
        EXPECT_EQ(result.failure, failure) << path;
    }
}

bool saw(const std::vector<std::string>& phrases, const std::string& phrase) {
    return std::find(phrases.begin(), phrases.end(), phrase) != phrases.end();
}

TEST(SpiderThread, RedirectsAreFollowedAndThePageKeepsItsOwnAddress) {
    std::atomic<int> loops{0};
    Server server([&loops](const std::string& path) {
        if (path == "/old/")
            return Server::redirect("/new.html");
        // Far past the limit the loop gives in, so that a fetch without a limit ends too.
        if (path == "/loop/" && ++loops < 50)
            return Server::redirect("/loop/");
        return Server::page("<title>New</title>");
    });
    SpiderSettings settings = quick();
    settings.crawlRoot = server.url("/");
    Fetch moved;
    fetch(moved, server.url("/old"), settings);
    EXPECT_EQ(moved.page, "<title>New</title>");
    EXPECT_EQ(moved.jobUrl, server.url("/old")) << "the page keeps the address it was queued under";
    EXPECT_TRUE(saw(moved.events.phrases, "Redirected to URL"));

    Fetch loop;
    fetch(loop, server.url("/loop/"), settings);
    EXPECT_FALSE(loop.page);
    EXPECT_EQ(loop.failure, "more than 20 redirects");
    EXPECT_EQ(server.requests().size(), 2u + 21u) << "the first request and 20 redirects, then no more";
}

TEST(SpiderThread, ARedirectLeavesTheSiteOnlyWhenOtherSitesAreFollowed) {
    Server inner([](const std::string&) { return Server::page("internal"); });
    std::atomic<int> sitePort{0};
    Server site([&](const std::string& path) {
        if (path == "/away/")
            return Server::redirect(inner.url("/secret.html"));
        if (path == "/ftp/")
            return Server::redirect("ftp://127.0.0.1/x.html");
        return Server::redirect("https://127.0.0.1:" + std::to_string(sitePort) + "/tls.html");
    });
    sitePort = site.port();
    SpiderSettings settings = quick();
    settings.crawlRoot = site.url("/");
    Fetch away;
    fetch(away, site.url("/away/"), settings);
    EXPECT_FALSE(away.page);
    EXPECT_EQ(away.failure, "redirect to " + inner.url("/secret.html") + " not followed");
    EXPECT_TRUE(inner.requests().empty()) << "nothing may be asked of a host the crawl does not cover";

    // The same host over https is followed (this plain server then cannot answer it).
    Fetch tls;
    SpiderSettings impatient = settings;
    impatient.connectTimeoutMs = 200;
    fetch(tls, site.url("/tls/"), impatient);
    EXPECT_FALSE(tls.page);
    EXPECT_TRUE(saw(tls.events.phrases, "Redirected to URL")) << tls.failure;

    settings.followOtherSites = true;
    Fetch ftp;
    fetch(ftp, site.url("/ftp/"), settings);
    EXPECT_EQ(ftp.failure, "redirect to ftp://127.0.0.1/x.html not followed");
    Fetch allowed;
    fetch(allowed, site.url("/away/"), settings);
    EXPECT_EQ(allowed.page, "internal");
    EXPECT_EQ(inner.requests(), std::vector<std::string>{"/secret.html"});
}

TEST(SpiderThread, ABodyOfExactlyTheCapIsDeliveredAndOneByteMoreIsNot) {
    Server server([](const std::string& path) {
        return Server::page(std::string(path == "/cap.html" ? 5000 : 5001, 'b'));
    });
    SpiderSettings capped = quick();
    capped.maxBodyBytes = 5000;
    Fetch cap, over;
    fetch(cap, server.url("/cap.html"), capped);
    ASSERT_TRUE(cap.page);
    EXPECT_EQ(cap.page->size(), 5000u);
    fetch(over, server.url("/over.html"), capped);
    EXPECT_FALSE(over.page);
    EXPECT_EQ(over.failure, "page larger than 5000 bytes");
}

// A body of 20 bytes, one every 250 ms: never slow enough for the stall limit, and 5 s long.
Server::Reply trickle() {
    Server::Reply reply = Server::of(Server::Reply::Slow, std::string(20, 't'));
    reply.byteDelayMs = 250;
    return reply;
}

TEST(SpiderThread, AServerThatTricklesIsCutOffAtTheFetchTimeLimit) {
    Server server([](const std::string&) { return trickle(); });
    SpiderSettings limited = quick();
    limited.totalTimeoutSeconds = 1;
    Fetch result;
    fetch(result, server.url("/"), limited);
    EXPECT_FALSE(result.page);
    EXPECT_EQ(result.failure, "fetch time limit reached");
}

TEST(SpiderThread, TheSecondAttemptHasOnlyWhatTheFirstLeftOfTheTimeLimit) {
    int calls = 0;
    Server server(
        [&calls](const std::string&) { return ++calls == 1 ? Server::of(Server::Reply::Stall) : trickle(); });
    // The first attempt stalls for 2 of the 6 s; the 5 s trickle would fit in a fresh 6 s.
    SpiderSettings limited = quick();
    limited.stallTimeoutSeconds = 2;
    limited.totalTimeoutSeconds = 6;
    Fetch result;
    fetch(result, server.url("/"), limited);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_FALSE(result.page);
    EXPECT_EQ(result.failure, "fetch time limit reached");
}

TEST(SpiderThread, ATransferWithoutResponseIsTriedOnceMoreNamingTheHost) {
    int calls = 0;
    Server server([&calls](const std::string&) {
        return ++calls == 1 ? Server::of(Server::Reply::Drop) : Server::page("second");
    });
    Fetch result;
    fetch(result, server.url("/"));
    EXPECT_EQ(result.page, "second");
    EXPECT_EQ(server.agents(), (std::vector<std::string>{"RAR Avovuv", "127.0.0.1"}));

    Fetch nowhere;
    fetch(nowhere, "http://no-such-host.invalid/");
    EXPECT_FALSE(nowhere.page);
    EXPECT_EQ(nowhere.events.phrases.front(), "resolving name for no-such-host.invalid");
    EXPECT_TRUE(nowhere.failure.starts_with("no response: ")) << nowhere.failure;

    Fetch ftp;
    fetch(ftp, "ftp://127.0.0.1/");
    EXPECT_EQ(ftp.failure, "not an http or https address");
}

TEST(SpiderThread, PhasesAreReportedWithTheAddressInHand) {
    Server server([](const std::string&) { return Server::page("ok"); });
    Fetch result;
    fetch(result, server.url("/a/b.html"));
    std::vector<std::string> seen;
    for (const std::string& phrase : result.events.phrases)
        if (std::find(seen.begin(), seen.end(), phrase) == seen.end())
            seen.push_back(phrase);
    const std::vector<std::string> expected = {"Connecting to server...", "Connected to server!",
                                               "Request sent", "Response received!"};
    std::vector<std::string> ordered;
    std::copy_if(seen.begin(), seen.end(), std::back_inserter(ordered), [&](const std::string& p) {
        return std::find(expected.begin(), expected.end(), p) != expected.end();
    });
    EXPECT_EQ(ordered, expected);
    EXPECT_EQ(result.events.urls.back(), server.url("/a/b.html")) << "the whole address, scheme and port";
}

TEST(SpiderThread, AbortEndsATransferBlockedOnASilentServer) {
    Server server([](const std::string&) { return Server::of(Server::Reply::Stall); });
    RecordingEvents events;
    SpiderJob job;
    job.url = server.url("/");
    SpiderSettings patient = quick();
    patient.stallTimeoutSeconds = 3600;
    CSpiderThread thread(job, events, patient);
    ASSERT_TRUE(thread.start());
    while (server.requests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    thread.Abort();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!thread.ended() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(thread.ended()) << "a stopped thread must not wait for the server";
    thread.join();
    EXPECT_TRUE(events.pages.empty());
    EXPECT_EQ(events.ends, 1);
}

} // namespace
