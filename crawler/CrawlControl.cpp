#include "crawler/CrawlControl.h"

#include <QThread>
#include <algorithm>

#include "app/MessageService.h"
#include "app/ProductInfo.h"
#include "app/RunView.h"
#include "app/SettingsSchema.h"
#include "crawler/CrawlPageHandler.h"
#include "crawler/Sitemap.h"
#include "crawler/UrlRules.h"
#include "index/FileKind.h"
#include "index/IndexRecord.h"
#include "platform/AsciiText.h"
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

// A host whose robots.txt gets a server error is asked this many times before its pages are given up.
constexpr int kRobotsAttempts = 3;
// Sitemaps read per crawl, indexes and their children together: an index that lists itself, or ever new
// ones, must not keep the crawl going.
constexpr std::size_t kMaxSitemaps = 200;
constexpr const char* kRobotsReason = "robots.txt";
const std::string kRobotsUnreachableReason = "robots.txt could not be fetched";

// The host an address belongs to for robots.txt: scheme, host and port.
std::string originOf(const RequestUrl& request) {
    std::string host = request.server;
    for (char& c : host)
        c = AsciiText::lower(c);
    return request.scheme + "://" + host + ":" + std::to_string(request.port);
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
    m_spiderSettings.verifyCertificates = profile.AllowSelfSigned == 0;
    m_spiderSettings.fallbackCharset = profile.FallbackCharset;
    m_productToken = RobotsProductToken(m_spiderSettings.userAgent);
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
    m_details.clear();
    m_robots.clear();
    m_robotsExcluded = 0;
    m_firstFetches.clear();
    m_sitemapsSeen.clear();
    m_wireBytes = m_bodyBytes = 0;
    m_stopped = false;
    m_finished = false;
    m_finishPending = false;
    clearUrls();
    // The crawl starts at the root itself, not at the page the user may have typed.
    queue(m_crawlRoot, CanonicalAddress(m_crawlRoot));
    // Without robots.txt to name them, the site's sitemap is looked for where sitemaps usually are; with
    // it, once the file has said where its sitemaps are and whether they may be read.
    if (m_context.profile.IgnoreRobotsTxt != 0)
        if (const auto root = SplitRequestUrl(m_crawlRoot))
            queueSitemap(root->scheme + "://" + root->server + ":" + std::to_string(root->port) +
                         "/sitemap.xml");
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
        const RobotsVerdict verdict = robotsVerdict(m_urls[i].url);
        if (verdict == RobotsVerdict::Pending) {
            found = true; // its host's robots.txt is on its way
            continue;
        }
        if (m_threadsStarted >= m_context.profile.MaxPageCount) {
            // The rest stay waiting: the crawl ends once the pages in flight have arrived.
            m_pageLimitReached = true;
            break;
        }
        m_urls[i].state = UrlEntry::Taken;
        found = true;
        if (verdict == RobotsVerdict::Excluded)
            continue;
        if (StartSpiderThread(m_urls[i].url))
            ++running;
        else
            m_urls[i].state = UrlEntry::NoThread;
    }
    // robots.txt files (asked for by the pages above, which wait for them) and sitemaps, which add pages.
    std::size_t started = 0;
    for (; started < m_firstFetches.size() && running < limit; ++started) {
        auto job = std::make_unique<SpiderJob>();
        job->kind = m_firstFetches[started].first;
        job->url = m_firstFetches[started].second;
        SpiderJob unanswered = *job;
        unanswered.failure = "no crawling thread could be started";
        found = true;
        if (startThread(std::move(job), false))
            ++running;
        else if (unanswered.kind == SpiderJob::Kind::Robots)
            OnRobots(unanswered); // as a file that could not be reached
    }
    m_firstFetches.erase(m_firstFetches.begin(),
                         m_firstFetches.begin() + static_cast<std::ptrdiff_t>(started));
    while (m_firstWaiting < m_urls.size() && m_urls[m_firstWaiting].state != UrlEntry::Waiting)
        ++m_firstWaiting;
    const bool waiting = (m_firstWaiting < m_urls.size() && !m_pageLimitReached) || !m_firstFetches.empty();
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
    auto job = std::make_unique<SpiderJob>();
    job->url = url;
    if (!startThread(std::move(job), root)) {
        if (root)
            m_rootFailure = "no crawling thread could be started";
        return false;
    }
    ++m_threadsStarted;
    return true;
}

bool CrawlControl::startThread(std::unique_ptr<SpiderJob> job, bool root) {
    Running running{std::move(job), nullptr, root};
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
        m_wireBytes += job.wireBytes;
        m_bodyBytes += job.bodyBytes;
        if (job.kind == SpiderJob::Kind::Robots)
            OnRobots(job);
        else if (job.kind == SpiderJob::Kind::Sitemap)
            OnSitemap(job);
        // Pages given up by Stop were not refused by the server.
        else if (!ended->delivered && !m_stopped)
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
    m_details.push_back("Failed\t" + running.job->url + "\t" + reason);
    if (m_notFetchedReasons.size() >= kNamedReasons && !m_notFetchedReasons.contains(reason))
        reason = kOtherReasons;
    ++m_notFetchedReasons[reason];
}

CrawlControl::RobotsVerdict CrawlControl::robotsVerdict(const std::string& url) {
    if (m_context.profile.IgnoreRobotsTxt != 0)
        return RobotsVerdict::Allowed;
    const auto request = SplitRequestUrl(url);
    if (!request)
        return RobotsVerdict::Allowed; // never fetched; the thread says why
    const std::string origin = originOf(*request);
    HostRobots& host = m_robots[origin];
    switch (host.state) {
    case HostRobots::Unknown:
        host.state = HostRobots::Fetching;
        ++host.attempts;
        fetchFirst(SpiderJob::Kind::Robots, origin + "/robots.txt");
        return RobotsVerdict::Pending;
    case HostRobots::Fetching:
        return RobotsVerdict::Pending;
    case HostRobots::Known:
        break;
    }
    if (host.rules.allows(request->object))
        return RobotsVerdict::Allowed;
    exclude(url,
            host.unreachable.empty() ? kRobotsReason : kRobotsUnreachableReason + (": " + host.unreachable));
    return RobotsVerdict::Excluded;
}

void CrawlControl::exclude(const std::string& url, const std::string& reason) {
    if (url == m_crawlRoot) {
        m_rootFailure = reason == kRobotsReason ? "robots.txt does not allow it" : reason;
        return;
    }
    ++m_robotsExcluded;
    m_details.push_back("Excluded\t" + url + "\t" + reason);
    const int row = m_rowCount++;
    m_context.view.insertPageRow(row, url, PageImages::Failure, "Excluded");
    m_context.view.updatePageRow(row, PageImages::Failure, "Excluded");
}

void CrawlControl::fetchFirst(SpiderJob::Kind kind, std::string url) {
    m_firstFetches.emplace_back(kind, std::move(url));
}

// RFC 9309: a file that is not there (4xx) allows everything; one the server cannot give (5xx) or that
// cannot be reached allows nothing. A server error is asked again, a few times; an address that gave no
// answer has had its second attempt in the crawling thread already. Then the host's pages are given up.
void CrawlControl::OnRobots(const SpiderJob& job) {
    const auto request = SplitRequestUrl(job.url);
    if (!request || m_stopped)
        return;
    HostRobots& host = m_robots[originOf(*request)];
    if (job.status == 200 && job.failure.empty()) {
        host.rules = RobotsRules::parse(job.pageText, m_productToken);
    } else if (job.status >= 300 && job.status < 500) {
        host.rules = RobotsRules(); // a redirect not followed counts as no file too
    } else if (job.status >= 500 && host.attempts < kRobotsAttempts) {
        host.state = HostRobots::Unknown;
        return;
    } else {
        host.rules = RobotsRules::disallowAll();
        host.unreachable = job.failure.empty() ? "HTTP status " + std::to_string(job.status) : job.failure;
    }
    host.state = HostRobots::Known;
    // The crawl root's host names the sitemaps; /sitemap.xml is tried as well, where robots.txt lets us.
    const auto root = SplitRequestUrl(m_crawlRoot);
    if (!root || originOf(*root) != originOf(*request))
        return;
    for (const std::string& sitemap : host.rules.sitemaps())
        queueSitemap(sitemap);
    if (host.rules.allows("/sitemap.xml"))
        queueSitemap(originOf(*request) + "/sitemap.xml");
}

void CrawlControl::queueSitemap(const std::string& url) {
    // Only the crawled host's sitemaps: another site's could name anything.
    const auto request = SplitRequestUrl(url);
    const auto root = SplitRequestUrl(m_crawlRoot);
    if (!request || !root || originOf(*request) != originOf(*root) || m_sitemapsSeen.size() >= kMaxSitemaps)
        return;
    if (!m_sitemapsSeen.insert(CanonicalAddress(url)).second)
        return;
    fetchFirst(SpiderJob::Kind::Sitemap, url);
}

void CrawlControl::OnSitemap(const SpiderJob& job) {
    if (m_stopped || job.pageText.empty())
        return;
    const SitemapEntries entries = ReadSitemap(job.pageText, m_spiderSettings.maxBodyBytes);
    for (const std::string& sitemap : entries.sitemaps)
        queueSitemap(sitemap);
    const auto maxLength = static_cast<std::size_t>(std::max(m_context.profile.MaxUrlLength, 0));
    for (const std::string& page : entries.pages) {
        // A sitemap stands for the links of a page at the root: what lies outside it is not crawled.
        if (!IsUnderCrawlRoot(page, m_crawlRoot) ||
            (page.find('.') != std::string::npos &&
             PageKindOfAddress(page, m_context.profile) == FileKinds::NotIndexed))
            continue;
        if (page.size() > maxLength)
            ++m_tooLongLinks;
        else
            queue(page, CanonicalAddress(page));
    }
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
    std::string summary = m_pageLimitReached ? "Page limit reached (MaxPageCount " +
                                                   std::to_string(m_context.profile.MaxPageCount) + ")"
                                             : "";
    if (!failed) {
        if (m_robotsExcluded > 0)
            summary +=
                (summary.empty() ? "" : "; ") + std::to_string(m_robotsExcluded) + " excluded by robots.txt";
        if (m_notFetched > 0)
            summary += (summary.empty() ? "" : "; ") + std::to_string(m_notFetched) + " not fetched";
    }
    m_context.view.setConnectionText(summary);
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
    if (m_robotsExcluded > 0)
        notes.push_back(addresses(m_robotsExcluded) + (m_robotsExcluded == 1 ? " was" : " were") +
                        " excluded by robots.txt.");
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
    if (m_wireBytes < m_bodyBytes)
        notes.push_back("Compression saved " + std::to_string(m_bodyBytes - m_wireBytes) + " of " +
                        std::to_string(m_bodyBytes) + " bytes received.");
    return notes;
}
