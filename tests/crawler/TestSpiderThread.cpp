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
        if (path == "/plain.txt")
            return Server::page("plain", "text/plain; charset=utf-8");
        if (path == "/upper.html")
            return Server::page("upper", "Text/HTML");
        if (path == "/none")
            return Server::page("none", "");
        return Server::page("GIF89a", "image/gif");
    });
    const std::vector<std::pair<std::string, bool>> cases = {{"/plain.txt", true},
                                                             {"/upper.html", false},
                                                             {"/none", false},
                                                             {"/image.gif", false},
                                                             {"/missing.html", false}};
    for (const auto& [path, delivered] : cases) {
        Fetch result;
        fetch(result, server.url(path));
        EXPECT_EQ(result.page.has_value(), delivered) << path;
    }
}

TEST(SpiderThread, RedirectsAreFollowedAndThePageKeepsItsOwnAddress) {
    Server server([](const std::string& path) {
        if (path == "/old/")
            return Server::redirect("/new.html");
        if (path == "/loop/")
            return Server::redirect("/loop/");
        return Server::page("<title>New</title>");
    });
    Fetch moved;
    fetch(moved, server.url("/old"));
    EXPECT_EQ(moved.page, "<title>New</title>");
    EXPECT_EQ(moved.jobUrl, server.url("/old")) << "the page keeps the address it was queued under";
    EXPECT_NE(std::find(moved.events.phrases.begin(), moved.events.phrases.end(), "Redirected to URL"),
              moved.events.phrases.end());

    Fetch loop;
    fetch(loop, server.url("/loop/"));
    EXPECT_FALSE(loop.page);
}

TEST(SpiderThread, BrokenAndOversizedBodiesAreNotDelivered) {
    Server server([](const std::string& path) {
        if (path == "/cut.html")
            return Server::of(Server::Reply::CutBody, std::string(5000, 'c'));
        if (path == "/stall.html")
            return Server::of(Server::Reply::Stall);
        if (path == "/endless.html")
            return Server::of(Server::Reply::Endless);
        return Server::page(std::string(300000, 'b'));
    });
    SpiderSettings small = quick();
    small.maxBodyBytes = 100000;
    for (const std::string path : {"/cut.html", "/stall.html", "/endless.html", "/large.html"}) {
        Fetch result;
        fetch(result, server.url(path), small);
        EXPECT_FALSE(result.page) << path;
    }
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
    EXPECT_EQ(result.events.urls.back(), "127.0.0.1/a/b.html") << "the server followed by the object";
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
