#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/HttpTransfer.h"

class CSpiderThread;

// One address to fetch, owned by the crawl control. The crawling thread fills server, object and page
// text; the crawl control reads them only while the thread waits for it.
struct SpiderJob {
    // A page is handed to the crawl control as it arrives; a site's robots.txt or a sitemap is only read
    // whole (any content type), into pageText, for the crawl control to take when the thread ends.
    enum class Kind { Page, Robots, Sitemap };
    Kind kind = Kind::Page;
    std::string url;
    std::string pageText;
    std::string server;
    std::string object;
    // Why no page was delivered, in a few words for the user ("HTTP status 404"); empty when a page was
    // delivered or the fetch was stopped.
    std::string failure;
    long status = 0;           // of the final response; 0 when none came
    std::size_t wireBytes = 0; // body bytes as they crossed the network (compressed) ...
    std::size_t bodyBytes = 0; // ... and as received after decoding
    CSpiderThread* thread = nullptr;
    unsigned threadId = 0;
};

// What a crawling thread tells the crawl control. Each call returns only once the crawl control has
// handled it on its own thread, so the job and the texts stay valid meanwhile.
class SpiderEvents {
public:
    virtual ~SpiderEvents() = default;
    virtual void spiderUrl(const std::string& url) = 0;
    virtual void spiderStatus(const std::string& phrase) = 0;
    virtual void spiderPage(SpiderJob& job) = 0;
    // The thread's last act; the thread ends right after it returns.
    virtual void spiderThreadEnd(SpiderJob& job) = 0;
};

// How a crawling thread fetches; the defaults are the program's, tests shorten the waits.
struct SpiderSettings {
    std::string userAgent = "RAR Avovuv";
    long connectTimeoutMs = 30000;
    long stallTimeoutSeconds = 60;
    long totalTimeoutSeconds = 300; // a whole fetch, however slowly its bytes come
    std::size_t maxBodyBytes = 8u << 20;
    int retryDelayMs = 1000; // before the second attempt after a time-out
    // Where a redirect may lead: an address the crawl would fetch as a link of this crawl root. An empty
    // root names no site, so then only followOtherSites lets a redirect be followed.
    std::string crawlRoot;
    bool followOtherSites = false;                // IndexPageOtherSite
    bool verifyCertificates = true;               // not AllowSelfSigned
    std::string fallbackCharset = "windows-1252"; // FallbackCharset
};

// The connection text for a phase of a transfer.
std::string StatusPhrase(HttpPhase phase, const std::string& info);

// A crawling thread: fetches its job's address with one GET (and one second attempt when no response
// came), hands a text page to the crawl control and ends. Its transfer objects live and die on its own
// thread; Abort only raises the stop flag, which ends a blocked transfer within about a second.
class CSpiderThread {
public:
    CSpiderThread(SpiderJob& job, SpiderEvents& events, SpiderSettings settings);
    ~CSpiderThread(); // joins
    CSpiderThread(const CSpiderThread&) = delete;
    CSpiderThread& operator=(const CSpiderThread&) = delete;

    // False when the thread could not be started.
    bool start();
    void Abort() { m_stopFlag = 1; }
    void join();
    // True once the thread function has returned (the thread may still need joining).
    bool ended() const { return m_ended; }

    // The body as the page handler reads it, once turned into UTF-8: consecutive pieces of 4095 bytes, each
    // cut at its first NUL byte, every LF written as CR LF.
    class PageTextBuilder {
    public:
        explicit PageTextBuilder(std::string& text) : m_text(text) {}
        void append(const char* data, std::size_t size);
        void finish();

    private:
        void flushPiece();
        std::string& m_text;
        std::string m_piece;
    };

private:
    void SpiderThreadProc();
    bool RunJob();
    bool FetchPage(const std::string& url);

    SpiderJob& m_job;
    SpiderEvents& m_events;
    SpiderSettings m_settings;
    std::atomic<int> m_stopFlag{0};
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};
