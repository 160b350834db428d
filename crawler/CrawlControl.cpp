#include "crawler/CrawlControl.h"

#include <QThread>
#include <algorithm>

#include "app/MessageService.h"
#include "app/ProductInfo.h"
#include "app/RunView.h"
#include "crawler/CrawlPageHandler.h"
#include "crawler/UrlRules.h"
#include "generator/IndexDatabase.h"
#include "generator/RunIndex.h"
#include "index/IndexDataFile.h"
#include "index/IndexRecord.h"
#include "index/PageExtractor.h"
#include "index/PageFile.h"
#include "platform/EventPump.h"

namespace {
std::string threadCountText(int count) {
    return "Threads:" + std::to_string(count);
}
} // namespace

CrawlControl::CrawlControl(RunContext context, std::string crawlRoot, SpiderSettings spider, int tickMs)
    : m_context(std::move(context)), m_crawlRoot(std::move(crawlRoot)), m_spiderSettings(std::move(spider)),
      m_writer(m_context.profile, m_context.indexDataPath, m_context.database) {
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
    onOwnThread([this, &job] { OnSpiderPage(job); });
}

void CrawlControl::spiderThreadEnd(SpiderJob& job) {
    onOwnThread([this, &job] { OnSpiderThreadEnd(job); });
}

void CrawlControl::StartCrawl() {
    m_pageCounter = 0;
    m_finished = false;
    m_finishPending = false;
    clearUrls();
    // The crawl starts at the root itself, not at the page the user may have typed.
    queue(m_crawlRoot);
    m_timer.start();
}

void CrawlControl::queue(std::string url) {
    // One entry per page the server sees, whatever spelling of its address a link used.
    if (!m_urlIndex.emplace(CanonicalAddress(url), m_urls.size()).second)
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
        m_urls[i].state = UrlEntry::Taken;
        found = true;
        if (StartSpiderThread(m_urls[i].url))
            ++running;
        else
            m_urls[i].state = UrlEntry::NoThread;
    }
    while (m_firstWaiting < m_urls.size() && m_urls[m_firstWaiting].state != UrlEntry::Waiting)
        ++m_firstWaiting;
    return found || !m_threads.empty() || m_firstWaiting < m_urls.size();
}

bool CrawlControl::StartSpiderThread(const std::string& url) {
    const auto& excluded = m_context.profile.NoIncFileList;
    if (std::find(excluded.begin(), excluded.end(), url) != excluded.end())
        return true; // taken, never fetched
    if (url.empty())
        return false;
    Running running{std::make_unique<SpiderJob>(), nullptr};
    running.job->url = url;
    running.thread = std::make_unique<CSpiderThread>(*running.job, *this, m_spiderSettings);
    if (!running.thread->start()) {
        m_context.view.showMessage("Cannot Start New Thread");
        return false;
    }
    m_threads.push_back(std::move(running));
    ++m_runningThreads;
    m_context.view.setThreadCountText(threadCountText(m_runningThreads));
    return true;
}

void CrawlControl::OnSpiderPage(SpiderJob& job) {
    const std::string url = job.url;
    if (const auto at = m_urlIndex.find(CanonicalAddress(url));
        at != m_urlIndex.end() && m_urls[at->second].state == UrlEntry::Taken)
        m_urls[at->second].state = UrlEntry::Received;
    if (job.pageText.empty())
        return;
    const ProfileSettings& profile = m_context.profile;
    const int kind = PageKindOfAddress(url, profile);
    if (kind == FileKinds::NotIndexed)
        return;

    RunView& view = m_context.view;
    const int row = m_rowCount++;
    view.insertPageRow(row, url, PageImages::Reading, "Reading...");
    const std::string_view text =
        profile.IndexStrategy != 0 ? CutBeforeBody(job.pageText) : std::string_view(job.pageText);
    PageFields fields = ExtractPageText(text, kind, m_context.indexColon);
    // A database row that cannot be added says so in its own message (or, for the root page's empty
    // relative address, is left out silently); only a record line lost from the data file fails the row.
    const bool written = m_writer.write(m_pageCounter, url, m_crawlRoot, std::move(fields));
    if (written || profile.ScriptType != ScriptTypes::JavaScript)
        view.updatePageRow(row, PageImages::Indexed, "Indexed");
    else
        view.updatePageRow(row, PageImages::Failure, "Failure");
    ++m_pageCounter;

    // Only pages under the crawl root lead further; pages of other sites are indexed, not followed.
    if (!IsUnderCrawlRoot(url, m_crawlRoot))
        return;
    for (std::string& address : LinksToQueue(job.pageText, url, m_crawlRoot, profile))
        queue(std::move(address));
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
        m_endedThreads.push_back(std::move(*ended));
        m_threads.erase(ended);
        m_context.view.setThreadCountText(threadCountText(m_runningThreads));
    }
    if (m_threads.empty() && m_finishPending)
        FinishCrawl();
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
    FinishRun(m_context, m_pageCounter, m_writer.allWritten());
    m_context.view.setConnectionText("");
}
