#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/Settings.h"
#include "crawler/RobotsRules.h"
#include "crawler/SpiderThread.h"
#include "store/RecordWriter.h"
#include "store/RunIndex.h"

class IndexDatabase;
class RunView;
struct PreparedPage;

// An address of the crawl: queued, then taken by the dispatcher, then received (or never fetched).
struct UrlEntry {
    enum State { Waiting = 0, Taken = 1, Received = 2, NoThread = 3 };
    std::string url;
    int state = Waiting;
};

// The crawl of a website, run on the thread that owns the run (the window's, batch mode's). A timer hands
// waiting addresses, oldest first, to at most UseThreadNum crawling threads; the threads reach this object
// only by calls that wait until it has handled them on its own thread, so the URL list, the thread list
// and the page counter are touched by that thread alone. A crawl whose root page never arrived is a failed
// run: it says why and keeps the previous index, since an empty one would replace a good one.
class CrawlControl : public QObject, public SpiderEvents {
public:
    // The profile's crawl limits (FetchTimeLimit, MaxPageSize) and redirect scope override those of
    // `spider`, whose waits (connection, stall, retry) tests may shorten.
    CrawlControl(RunContext context, std::string crawlRoot, SpiderSettings spider = {}, int tickMs = 1000);
    ~CrawlControl() override; // aborts the threads still running and waits until they have ended

    void StartCrawl();
    // Stop: the threads are told to give up; the crawl finishes when the last of them has ended.
    void StopCrawl();
    // One tick of the dispatch timer (tests call it directly).
    void OnCrawlTimer();

    bool finished() const { return m_finished; }
    int pageCount() const { return m_pageCounter; }
    int threadCount() const { return static_cast<int>(m_threads.size()); }
    const std::vector<UrlEntry>& urls() const { return m_urls; }
    const std::string& crawlRoot() const { return m_crawlRoot; }
    // How the fetches of this crawl are made.
    const SpiderSettings& spiderSettings() const { return m_spiderSettings; }
    // After the end of a crawl that fetched its root: one sentence for each limit reached, for the
    // addresses robots.txt excluded and those that could not be fetched, and for the bytes compression
    // saved (batch mode prints them). Empty when there is nothing to say.
    std::vector<std::string> endNotes() const;
    // Each address excluded or not fetched, one line each: "Excluded", a tab, the address, a tab, why; or
    // "Failed" and the same (batch mode's --verbose).
    const std::vector<std::string>& endDetails() const { return m_details; }

private:
    struct Running {
        std::unique_ptr<SpiderJob> job;
        std::unique_ptr<CSpiderThread> thread;
        bool root = false;      // fetching the crawl root
        bool delivered = false; // its page has arrived
    };

    // True while the crawl has work: an address was handed out or a thread is still running.
    bool DispatchWaitingUrls();
    // True when the address needs no further dispatching (a thread started, or the address is excluded).
    bool StartSpiderThread(const std::string& url);
    // Starts a thread for the job; false (and a message) when none could be started.
    bool startThread(std::unique_ptr<SpiderJob> job, bool root);
    // What robots.txt says of the address: Allowed, Excluded, or Pending while its host's file is awaited
    // (its fetch is then queued).
    enum class RobotsVerdict { Allowed, Excluded, Pending };
    RobotsVerdict robotsVerdict(const std::string& url);
    void exclude(const std::string& url, const std::string& reason);
    void OnRobots(const SpiderJob& job);
    void OnSitemap(const SpiderJob& job);
    void queueSitemap(const std::string& url);
    void fetchFirst(SpiderJob::Kind kind, std::string url);
    void OnSpiderPage(SpiderJob& job, PreparedPage& page);
    void OnSpiderThreadEnd(SpiderJob& job);
    void FinishCrawl();
    void notFetched(const Running& running);
    Running* runningOf(const SpiderJob& job);
    void queue(std::string url, std::string key);
    void clearUrls();
    void reapEndedThreads();
    template <class Handler> void onOwnThread(Handler handler);

public:
    // The crawling threads' calls; each waits until handled on this object's thread.
    void spiderUrl(const std::string& url) override;
    void spiderStatus(const std::string& phrase) override;
    void spiderPage(SpiderJob& job) override;
    void spiderThreadEnd(SpiderJob& job) override;

private:
    RunContext m_context;
    std::string m_crawlRoot;
    SpiderSettings m_spiderSettings;
    RecordWriter m_writer;
    QTimer m_timer;
    std::vector<UrlEntry> m_urls;
    // The position in the URL list of each page, by its canonical address.
    std::unordered_map<std::string, std::size_t> m_urlIndex;
    std::size_t m_firstWaiting = 0;      // no entry before it is still waiting
    std::vector<Running> m_threads;      // started and not yet ended
    std::vector<Running> m_endedThreads; // ended, to be joined
    int m_runningThreads = 0;
    int m_pageCounter = 0;
    int m_rowCount = 0;
    int m_threadsStarted = 0; // fetches of this crawl, bounded by MaxPageCount
    bool m_pageLimitReached = false;
    int m_tooLongLinks = 0;
    bool m_rootDelivered = false;
    std::string m_rootFailure; // why the root's page did not arrive
    int m_notFetched = 0;      // addresses other than the root whose page did not arrive
    std::map<std::string, int> m_notFetchedReasons;
    std::vector<std::string> m_details; // see endDetails

    // robots.txt of each host (by scheme, host and port), fetched before the first page of the host.
    struct HostRobots {
        enum State { Unknown, Fetching, Known } state = Unknown;
        RobotsRules rules;
        int attempts = 0;
        std::string unreachable; // why the file never came, when its rules are "nothing allowed" for that
    };
    std::unordered_map<std::string, HostRobots> m_robots;
    std::string m_productToken;
    int m_robotsExcluded = 0;
    // robots.txt and sitemap fetches, started before any waiting page.
    std::vector<std::pair<SpiderJob::Kind, std::string>> m_firstFetches;
    std::unordered_set<std::string> m_sitemapsSeen;
    std::size_t m_wireBytes = 0; // body bytes received over the network, compressed or not
    std::size_t m_bodyBytes = 0; // the same bodies decoded
    bool m_stopped = false;
    bool m_finishPending = false;
    bool m_finished = false;
};
