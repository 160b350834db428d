#include "crawler/CrawlControl.h"

#include <QThread>
#include <algorithm>

#include "app/MessageService.h"
#include "app/ProductInfo.h"
#include "app/RunView.h"
#include "app/SettingsSchema.h"
#include "crawler/CrawlPageHandler.h"
#include "crawler/UrlRules.h"
#include "index/IndexRecord.h"
#include "platform/EventPump.h"
#include "store/IndexDataFile.h"
#include "store/IndexDatabase.h"
#include "store/RunIndex.h"

namespace {
std::string threadCountText(int count) {
    return "Threads:" + std::to_string(count);
}

// Reasons are named one by one up to this many; a server that words each failure differently is not
// allowed to make the summary endless.
constexpr std::size_t kNamedReasons = 8;
constexpr const char* kOtherReasons = "other reasons";
constexpr const char* kNoPageReason = "no text page was received";

std::string addresses(int count) {
    return std::to_string(count) + (count == 1 ? " address" : " addresses");
}
} // namespace

CrawlControl::CrawlControl(RunContext context, std::string crawlRoot, SpiderSettings spider, int tickMs)
    : m_context(std::move(context)), m_crawlRoot(std::move(crawlRoot)), m_spiderSettings(std::move(spider)),
      m_writer(m_context.profile, m_context.stores, m_context.indexDataPath, m_context.database) {
    // The window's options may hold any number; the crawl reads each limit as the nearest it allows.
    ClampToBounds(m_context.profile);
    const ProfileSettings& profile = m_context.profile;
    m_spiderSettings.totalTimeoutSeconds = profile.FetchTimeLimit;
    m_spiderSettings.maxBodyBytes = static_cast<std::size_t>(profile.MaxPageSize) * 1024;
    m_spiderSettings.crawlRoot = m_crawlRoot;
    m_spiderSettings.followOtherSites = profile.IndexPageOtherSite != 0;
    HttpGlobalInit();
    m_timer.setInterval(tickMs);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { OnCrawlTimer(); });
}

CrawlControl::~CrawlControl() {
    m_timer.stop();
    for (Running& running : m_threads)
        running.thread->Abort();
    // The threads' last calls wait for this thread, so it keeps handling them until every thread is gone.
    waitHandlingEvents([this] { return m_threads.empty(); });
    for (Running& running : m_endedThreads)
        running.thread->join();
}

template <class Handler> void CrawlControl::onOwnThread(Handler handler) {
    if (QThread::currentThread() == thread())
        handler();
    else
        QMetaObject::invokeMethod(this, handler, Qt::BlockingQueuedConnection);
}

void CrawlControl::spiderUrl(const std::string& url) {
    onOwnThread([this, &url] { m_context.view.setCurrentItem(url); });
}

void CrawlControl::spiderStatus(const std::string& phrase) {
    onOwnThread([this, &phrase] { m_context.view.setConnectionText(phrase); });
}

void CrawlControl::spiderPage(SpiderJob& job) {
    // Read here, on the crawling thread: a large page must not hold up the crawl's own thread, which every
    // other crawling thread and Stop wait for. The profile and the root are never written during a crawl.
    PreparedPage page =
        PreparePage(job.pageText, job.url, m_crawlRoot, m_context.profile, m_context.indexColon);
    onOwnThread([this, &job, &page] { OnSpiderPage(job, page); });
}

void CrawlControl::spiderThreadEnd(SpiderJob& job) {
    onOwnThread([this, &job] { OnSpiderThreadEnd(job); });
}

void CrawlControl::StartCrawl() {
    m_pageCounter = 0;
    m_threadsStarted = 0;
    m_pageLimitReached = false;
    m_tooLongLinks = 0;
    m_rootDelivered = false;
    m_rootFailure.clear();
    m_notFetched = 0;
    m_notFetchedReasons.clear();
    m_stopped = false;
    m_finished = false;
    m_finishPending = false;
    clearUrls();
    // The crawl starts at the root itself, not at the page the user may have typed.
    queue(m_crawlRoot, CanonicalAddress(m_crawlRoot));
    m_timer.start();
}

void CrawlControl::queue(std::string url, std::string key) {
    // One entry per page the server sees, whatever spelling of its address a link used.
    if (!m_urlIndex.emplace(std::move(key), m_urls.size()).second)
        return;
    m_urls.push_back({std::move(url), UrlEntry::Waiting});
}

void CrawlControl::clearUrls() {
    m_urls.clear();
    m_urlIndex.clear();
    m_firstWaiting = 0;
}

void CrawlControl::OnCrawlTimer() {
    reapEndedThreads();
    if (DispatchWaitingUrls())
        return;
    // Nothing waits and no thread is left: the crawl is complete.
    m_timer.stop();
    if (!m_finished)
        FinishCrawl();
}

bool CrawlControl::DispatchWaitingUrls() {
    const int limit = m_context.profile.UseThreadNum;
    int running = static_cast<int>(m_threads.size());
    bool found = false;
    const std::size_t end = m_urls.size();
    for (std::size_t i = m_firstWaiting; i < end && running < limit; ++i) {
        if (m_urls[i].state != UrlEntry::Waiting)
            continue;
        if (m_threadsStarted >= m_context.profile.MaxPageCount) {
            // The rest stay waiting: the crawl ends once the pages in flight have arrived.
            m_pageLimitReached = true;
            break;
        }
        m_urls[i].state = UrlEntry::Taken;
        found = true;
        if (StartSpiderThread(m_urls[i].url))
            ++running;
        else
            m_urls[i].state = UrlEntry::NoThread;
    }
    while (m_firstWaiting < m_urls.size() && m_urls[m_firstWaiting].state != UrlEntry::Waiting)
        ++m_firstWaiting;
    const bool waiting = m_firstWaiting < m_urls.size() && !m_pageLimitReached;
    return found || !m_threads.empty() || waiting;
}

bool CrawlControl::StartSpiderThread(const std::string& url) {
    // The URL list holds one spelling of each page, so only the root's own entry is spelled as the root.
    const bool root = url == m_crawlRoot;
    const auto& excluded = m_context.profile.NoIncFileList;
    if (std::find(excluded.begin(), excluded.end(), url) != excluded.end()) {
        if (root)
            m_rootFailure = "the address is on the exclusion list";
        return true; // taken, never fetched
    }
    if (url.empty())
        return false;
    Running running{std::make_unique<SpiderJob>(), nullptr, root};
    running.job->url = url;
    running.thread = std::make_unique<CSpiderThread>(*running.job, *this, m_spiderSettings);
    if (!running.thread->start()) {
        m_context.view.showMessage("Cannot Start New Thread");
        if (root)
            m_rootFailure = "no crawling thread could be started";
        return false;
    }
    ++m_threadsStarted;
    m_threads.push_back(std::move(running));
    ++m_runningThreads;
    m_context.view.setThreadCountText(threadCountText(m_runningThreads));
    return true;
}

CrawlControl::Running* CrawlControl::runningOf(const SpiderJob& job) {
    const auto found = std::find_if(m_threads.begin(), m_threads.end(),
                                    [&job](const Running& r) { return r.job.get() == &job; });
    return found == m_threads.end() ? nullptr : &*found;
}

void CrawlControl::OnSpiderPage(SpiderJob& job, PreparedPage& page) {
    const std::string& url = job.url;
    if (const auto at = m_urlIndex.find(CanonicalAddress(url));
        at != m_urlIndex.end() && m_urls[at->second].state == UrlEntry::Taken)
        m_urls[at->second].state = UrlEntry::Received;
    if (Running* running = runningOf(job)) {
        running->delivered = true;
        m_rootDelivered = m_rootDelivered || running->root;
    }
    if (!page.indexed)
        return;

    RunView& view = m_context.view;
    const int row = m_rowCount++;
    view.insertPageRow(row, url, PageImages::Reading, "Reading...");
    // A database row that cannot be added says so in its own message (or, for the root page's empty
    // relative address, is left out silently); only a record line lost from the data file fails the row.
    const bool written = m_writer.write(m_pageCounter, url, m_crawlRoot, std::move(page.fields));
    if (written || !m_context.stores.dataFile)
        view.updatePageRow(row, PageImages::Indexed, "Indexed");
    else
        view.updatePageRow(row, PageImages::Failure, "Failure");
    ++m_pageCounter;

    m_tooLongLinks += page.links.tooLong;
    for (std::size_t i = 0; i < page.links.addresses.size(); ++i)
        queue(std::move(page.links.addresses[i]), std::move(page.linkKeys[i]));
}

void CrawlControl::OnSpiderThreadEnd(SpiderJob& job) {
    m_runningThreads = std::max(0, m_runningThreads - 1);
    if (m_runningThreads == 0) {
        m_context.view.setCurrentItem(ProductInfo::kWebAddress);
        m_context.view.setConnectionText("Connection Closed");
    }
    const auto ended = std::find_if(m_threads.begin(), m_threads.end(),
                                    [&job](const Running& r) { return r.job->threadId == job.threadId; });
    if (ended != m_threads.end()) {
        // Pages given up by Stop were not refused by the server.
        if (!ended->delivered && !m_stopped)
            notFetched(*ended);
        m_endedThreads.push_back(std::move(*ended));
        m_threads.erase(ended);
        m_context.view.setThreadCountText(threadCountText(m_runningThreads));
    }
    if (m_threads.empty() && m_finishPending)
        FinishCrawl();
}

void CrawlControl::notFetched(const Running& running) {
    std::string reason = running.job->failure.empty() ? kNoPageReason : running.job->failure;
    if (running.root) {
        m_rootFailure = std::move(reason);
        return;
    }
    ++m_notFetched;
    if (m_notFetchedReasons.size() >= kNamedReasons && !m_notFetchedReasons.contains(reason))
        reason = kOtherReasons;
    ++m_notFetchedReasons[reason];
}

void CrawlControl::reapEndedThreads() {
    std::erase_if(m_endedThreads, [](Running& r) {
        if (!r.thread->ended())
            return false;
        r.thread->join();
        return true;
    });
}

void CrawlControl::StopCrawl() {
    m_timer.stop();
    m_finishPending = true;
    m_stopped = true;
    clearUrls();
    for (Running& running : m_threads)
        running.thread->Abort();
    // Aborted threads end within about a second; the last one to end finishes the crawl.
    m_context.view.setThreadCountText(threadCountText(static_cast<int>(m_threads.size())));
    if (m_threads.empty() && !m_finished)
        FinishCrawl();
}

void CrawlControl::FinishCrawl() {
    m_finishPending = false;
    m_finished = true;
    m_timer.stop();
    // Without its root page a crawl has indexed nothing of the site (a run stopped that early neither), and
    // an empty index must not replace the previous one.
    const bool failed = !m_rootDelivered;
    FinishRun(m_context, m_pageCounter, m_writer.allWritten(), failed);
    m_context.view.setConnectionText(m_pageLimitReached
                                         ? "Page limit reached (MaxPageCount " +
                                               std::to_string(m_context.profile.MaxPageCount) + ")"
                                         : "");
    if (failed && !m_stopped) {
        const std::string reason = m_rootFailure.empty() ? kNoPageReason : m_rootFailure;
        m_context.view.showMessage("Cannot fetch the start address " + m_crawlRoot + "\nReason: " + reason +
                                   "\nThe previous index is kept.");
    }
}

std::vector<std::string> CrawlControl::endNotes() const {
    std::vector<std::string> notes;
    if (!m_finished || !m_rootDelivered)
        return notes;
    if (m_pageLimitReached) {
        int left = 0;
        for (std::size_t i = m_firstWaiting; i < m_urls.size(); ++i)
            left += m_urls[i].state == UrlEntry::Waiting ? 1 : 0;
        notes.push_back("The crawl stopped at its limit of " +
                        std::to_string(m_context.profile.MaxPageCount) + " pages (MaxPageCount); " +
                        addresses(left) + (left == 1 ? " found was" : " found were") + " not fetched.");
    }
    if (m_tooLongLinks > 0)
        notes.push_back(std::to_string(m_tooLongLinks) + (m_tooLongLinks == 1 ? " link was" : " links were") +
                        " not followed: longer than " + std::to_string(m_context.profile.MaxUrlLength) +
                        " characters (MaxUrlLength).");
    if (m_notFetched > 0) {
        std::vector<std::pair<std::string, int>> reasons(m_notFetchedReasons.begin(),
                                                         m_notFetchedReasons.end());
        std::stable_sort(reasons.begin(), reasons.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        std::string note = addresses(m_notFetched) + " could not be fetched:";
        for (std::size_t i = 0; i < reasons.size(); ++i)
            note += (i == 0 ? " " : ", ") + std::to_string(reasons[i].second) + " " + reasons[i].first;
        notes.push_back(note + ".");
    }
    return notes;
}
