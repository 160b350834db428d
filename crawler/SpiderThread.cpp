#include "crawler/SpiderThread.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "crawler/UrlRules.h"
#include "index/PageCharset.h"

namespace {

constexpr std::size_t kPieceSize = 4095;

// Reports each phase to the crawl control (connection text, then the address in hand) and decides which
// responses are pages: status 200 with a content type that says "text" (as written: "Text/HTML" is not).
// A redirect is followed only where the crawl would go by a link, so that a page of another host (an
// internal one, say) is never filed under this site's address.
class PageObserver : public HttpObserver {
public:
    PageObserver(SpiderEvents& events, const SpiderJob& job, const std::atomic<int>& stopFlag,
                 std::string& body, const SpiderSettings& settings)
        : m_events(events), m_address(job.url), m_kind(job.kind), m_stopFlag(stopFlag), m_body(body),
          m_settings(settings) {}

    void phase(HttpPhase phase, const std::string& info) override {
        m_events.spiderStatus(StatusPhrase(phase, info));
        m_events.spiderUrl(m_address);
    }
    bool acceptResponse(long status, const std::string& contentType) override {
        // A robots.txt or a sitemap is read whatever its type: servers label them every which way.
        return status == 200 &&
               (m_kind != SpiderJob::Kind::Page || contentType.find("text") != std::string::npos);
    }
    bool followRedirect(const std::string& target) override {
        return IsFetchableUrl(target) &&
               (m_settings.followOtherSites || IsSameSite(target, m_settings.crawlRoot));
    }
    void body(const char* data, std::size_t size) override { m_body.append(data, size); }
    bool stopRequested() const override { return m_stopFlag != 0; }

private:
    SpiderEvents& m_events;
    const std::string& m_address;
    const SpiderJob::Kind m_kind;
    const std::atomic<int>& m_stopFlag;
    std::string& m_body;
    const SpiderSettings& m_settings;
};

unsigned nextThreadId() {
    static std::atomic<unsigned> last{0};
    return ++last;
}

bool noResponse(const HttpResult& result) {
    return result.outcome == HttpResult::NoResponse || result.outcome == HttpResult::TimedOut;
}

// Why a transfer gave no page, for the user; empty when it was stopped.
std::string FailureOf(const HttpResult& result, const HttpRequest& request) {
    switch (result.outcome) {
    case HttpResult::Done:
        if (result.status != 200)
            return "HTTP status " + std::to_string(result.status);
        return "not a text page (" + (result.contentType.empty() ? "no content type" : result.contentType) +
               ")";
    case HttpResult::NoResponse:
        return "no response: " + result.error;
    case HttpResult::TimedOut:
        return "timed out";
    case HttpResult::ReadFailed:
        return "response broke off: " + result.error;
    case HttpResult::TooLarge:
        return "page larger than " + std::to_string(request.maxBodyBytes) + " bytes";
    case HttpResult::Stopped:
        return {};
    case HttpResult::TimeLimit:
        return "fetch time limit reached";
    case HttpResult::RedirectRefused:
        return "redirect to " + result.redirectUrl + " not followed";
    case HttpResult::TooManyRedirects:
        return "more than " + std::to_string(request.maxRedirects) + " redirects";
    case HttpResult::Untrusted:
        return "untrusted certificate: " + result.error;
    }
    return "fetch failed";
}

} // namespace

std::string StatusPhrase(HttpPhase phase, const std::string& info) {
    switch (phase) {
    case HttpPhase::ResolvingName:
        return "resolving name for " + info;
    case HttpPhase::NameResolved:
        return "resolved name for " + info + "!";
    case HttpPhase::Connecting:
        return "Connecting to server...";
    case HttpPhase::Connected:
        return "Connected to server!";
    case HttpPhase::RequestSent:
        return "Request sent";
    case HttpPhase::ResponseReceived:
        return "Response received!";
    case HttpPhase::Redirected:
        return "Redirected to URL";
    case HttpPhase::ClosingConnection:
        return "Closing connection...";
    case HttpPhase::ConnectionClosed:
        return "Connection close!";
    }
    return "Unknown status: " + std::to_string(static_cast<int>(phase));
}

void CSpiderThread::PageTextBuilder::append(const char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t take = std::min(size, kPieceSize - m_piece.size());
        m_piece.append(data, take);
        data += take;
        size -= take;
        if (m_piece.size() == kPieceSize)
            flushPiece();
    }
}

void CSpiderThread::PageTextBuilder::finish() {
    if (!m_piece.empty())
        flushPiece();
}

void CSpiderThread::PageTextBuilder::flushPiece() {
    const std::size_t end = std::min(m_piece.find('\0'), m_piece.size());
    for (std::size_t i = 0; i < end; ++i) {
        if (m_piece[i] == '\n')
            m_text += '\r';
        m_text += m_piece[i];
    }
    m_piece.clear();
}

CSpiderThread::CSpiderThread(SpiderJob& job, SpiderEvents& events, SpiderSettings settings)
    : m_job(job), m_events(events), m_settings(std::move(settings)) {
    m_job.thread = this;
}

CSpiderThread::~CSpiderThread() {
    join();
}

bool CSpiderThread::start() {
    m_job.threadId = nextThreadId();
    try {
        m_thread = std::thread([this] { SpiderThreadProc(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CSpiderThread::join() {
    if (m_thread.joinable())
        m_thread.join();
}

void CSpiderThread::SpiderThreadProc() {
    RunJob();
    m_events.spiderThreadEnd(m_job);
    m_ended = true;
}

bool CSpiderThread::RunJob() {
    if (m_stopFlag)
        return false;
    const std::optional<RequestUrl> request = SplitRequestUrl(m_job.url);
    if (!request) {
        m_job.failure = "not an http or https address"; // queued like any link, never fetched
        return false;
    }
    m_job.url = request->url;
    m_job.server = request->server;
    m_job.object = request->object;
    m_events.spiderUrl(m_job.url);
    std::string address = request->scheme;
    address += "://";
    address += request->server;
    address += ':';
    address += std::to_string(request->port);
    address += request->object;
    return FetchPage(address);
}

bool CSpiderThread::FetchPage(const std::string& url) {
    using Clock = std::chrono::steady_clock;
    m_job.pageText.clear();
    // The body is kept as it came until it is whole: its character set may be one (UTF-16) in which a
    // byte is no character, and a robots.txt or a sitemap is taken as it is.
    std::string body;
    PageObserver observer(m_events, m_job, m_stopFlag, body, m_settings);

    // One time limit for the whole fetch: the second attempt only gets what the first one left.
    // (Beyond a few months a limit means no limit, and the clock's arithmetic stays in range.)
    const long limit = std::min(m_settings.totalTimeoutSeconds, 10'000'000L);
    const bool limited = limit > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limited ? limit : 0);
    HttpRequest request;
    request.url = url;
    request.userAgent = m_settings.userAgent;
    request.connectTimeoutMs = m_settings.connectTimeoutMs;
    request.stallTimeoutSeconds = m_settings.stallTimeoutSeconds;
    request.totalTimeoutMs = limited ? limit * 1000 : 0;
    request.maxBodyBytes = m_settings.maxBodyBytes;
    request.verifyCertificates = m_settings.verifyCertificates;
    HttpResult result = HttpGet(request, observer);
    if (noResponse(result) && !m_stopFlag) {
        // One more try on a fresh transfer that names the host as its agent, reporting nothing.
        if (result.outcome == HttpResult::TimedOut) {
            const auto until = std::min(Clock::now() + std::chrono::milliseconds(m_settings.retryDelayMs),
                                        limited ? deadline : Clock::time_point::max());
            while (!m_stopFlag && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (m_stopFlag)
            return false;
        const long left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (limited && left <= 0) {
            result.outcome = HttpResult::TimeLimit;
        } else {
            request.userAgent = m_job.server;
            request.reportPhases = false;
            request.totalTimeoutMs = limited ? left : 0;
            body.clear();
            result = HttpGet(request, observer);
        }
    }
    m_job.status = result.status;
    m_job.wireBytes = result.wireBytes;
    m_job.bodyBytes = result.bodyBytes;
    // A page read whole is delivered even when Stop came meanwhile; a cut-off one never is.
    if (result.outcome != HttpResult::Done || !result.accepted) {
        if (!m_stopFlag)
            m_job.failure = FailureOf(result, request);
        return false;
    }
    if (m_job.kind != SpiderJob::Kind::Page) {
        m_job.pageText = std::move(body);
        return true;
    }
    PageToUtf8(body, result.contentType, m_settings.fallbackCharset);
    PageTextBuilder builder(m_job.pageText);
    builder.append(body.data(), body.size());
    body = std::string();
    builder.finish();
    m_events.spiderPage(m_job);
    return true;
}
