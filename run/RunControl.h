#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "app/AppPaths.h"
#include "crawler/SpiderThread.h"
#include "platform/FileLock.h"
#include "store/IndexDatabase.h"
#include "store/RunIndex.h"

class CIndexFolderThread;
class CrawlControl;
class RunView;
struct Settings;

namespace JobKinds {
constexpr int None = -1;
constexpr int Folder = 0;
constexpr int Website = 1;
} // namespace JobKinds

// Starts, stops and ends indexing runs. Owned by whoever shows the run (the main window, batch mode,
// a test) and driven from that owner's thread; the job reports through the view.
class RunControl {
public:
    RunControl(const AppPaths& paths, Settings& settings, RunView& view);
    ~RunControl(); // stops a running job and waits for its trailer

    // The Index Folder command with the chosen folder: empty (cancelled) does nothing.
    bool IndexFolder(const std::string& chosenFolder);
    // The Index Website command with the completed start address: the crawl root is the address's folder.
    // Empty (cancelled) does nothing.
    bool IndexWebsite(const std::string& address);
    // Starts a run of the current job kind with its stored target; false when it could not start.
    bool Go();
    void Stop();
    // Stops a running job and waits until it has ended (leaving the program).
    void shutdown();
    // Waits until the last started job has ended.
    void waitForJob();
    // True when no job has been started or the last one has ended.
    bool jobEnded() const;

    bool idle() const { return m_idleFlag == 1; }
    int jobKind() const { return m_jobKind; }
    const std::string& jobTargetFolder() const { return m_jobTargetFolder; }
    const std::string& crawlRoot() const { return m_crawlRoot; }
    // The crawl of the last website run, while it is kept (tests look into it).
    CrawlControl* crawl() { return m_crawl.get(); }
    // How crawls fetch and how often they dispatch; tests shorten both.
    void setCrawlTiming(SpiderSettings spider, int tickMs);
    // Records written by the last job that ended.
    int lastRecordCount() const;
    IndexDatabase& database() { return m_database; }

private:
    bool targetReady();
    RunContext runContext();
    void startFolderJob();
    void startCrawl();

    const AppPaths& m_paths;
    Settings& m_settings;
    RunView& m_view;
    IndexDatabase m_database;
    IndexStores m_stores; // what the run started last writes
    FileLock m_runLock;
    int m_jobKind = JobKinds::None;
    std::string m_jobTargetFolder;
    std::string m_crawlRoot;
    SpiderSettings m_spiderSettings;
    int m_crawlTickMs = 1000;
    std::unique_ptr<CrawlControl> m_crawl;     // the last crawl started, kept until the next run
    std::unique_ptr<CIndexFolderThread> m_job; // the last job started, kept until it has ended
    CIndexFolderThread* m_runningFolderJob = nullptr;
    std::atomic<int> m_idleFlag{1};
    bool m_starting = false;
};
