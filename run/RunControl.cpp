#include "run/RunControl.h"

#include <filesystem>

#include "app/RunView.h"
#include "app/Settings.h"
#include "crawler/CrawlControl.h"
#include "crawler/UrlRules.h"
#include "engines/EngineRegistry.h"
#include "engines/SearchEngine.h"
#include "platform/EventPump.h"
#include "platform/FolderListing.h"
#include "platform/FolderPath.h"
#include "store/RunIndex.h"
#include "walker/IndexFolderThread.h"

RunControl::RunControl(const AppPaths& paths, Settings& settings, RunView& view)
    : m_paths(paths), m_settings(settings), m_view(view), m_database(paths.databasePath, view),
      m_runLock(paths.runLockPath()) {}

RunControl::~RunControl() {
    shutdown();
}

bool RunControl::IndexFolder(const std::string& chosenFolder) {
    if (chosenFolder.empty())
        return false;
    const std::string folder = WithFolderSlash(chosenFolder);
    m_settings.AddFolderInitPath = folder;
    m_jobTargetFolder = folder;
    m_jobKind = JobKinds::Folder;
    return Go();
}

bool RunControl::IndexWebsite(const std::string& address) {
    if (address.empty())
        return false;
    m_crawlRoot = MakeDirectoryUrl(address);
    m_jobKind = JobKinds::Website;
    return Go();
}

void RunControl::setCrawlTiming(SpiderSettings spider, int tickMs) {
    m_spiderSettings = std::move(spider);
    m_crawlTickMs = tickMs;
}

bool RunControl::Go() {
    if (m_starting || m_jobKind == JobKinds::None)
        return false;
    m_starting = true;
    // A stopped job may still be finishing its file; its trailer must land in its own run's file.
    waitForJob();
    m_starting = false;

    if (!targetReady())
        return false;
    // Another run on this data folder, of this process or another, owns the index until it ends.
    if (!m_runLock.tryLock()) {
        m_view.showMessage(kIndexingNotFinished);
        return false;
    }
    const ProfileSettings& profile = m_settings.profile;
    const SearchEngine& engine = EngineRegistry::Of(profile);
    m_stores = engine.runStores();
    m_database.setServer(engine.usesServerDatabase(profile) ? std::optional(ServerAccount::Of(profile))
                                                            : std::nullopt);
    if (!m_database.ConnectDatabase(m_stores, profile.DatabaseType)) {
        m_runLock.unlock();
        return false;
    }
    m_idleFlag = 0;
    m_view.setStatusText("Process...");
    m_view.clearPageList();
    // The previous index stays until this run has ended; a header that fails keeps it for good.
    if (const Result<> begun = BeginRunIndex(m_stores, m_paths.indexDataPath, m_database); !begun)
        m_view.showMessage(begun.reason());

    // The buttons change before the job starts, so a job that ends at once leaves them in its end state.
    m_view.setStopEnabled(true);
    m_view.setGoEnabled(false);
    if (m_jobKind == JobKinds::Folder)
        startFolderJob();
    else
        startCrawl();
    return true;
}

// A folder that is missing, is no folder or cannot be listed is reported before anything is touched.
bool RunControl::targetReady() {
    if (m_jobKind != JobKinds::Folder)
        return true;
    std::vector<FolderEntry> entries;
    dev_t device = 0;
    ino_t inode = 0;
    if (FolderListing::identity(m_jobTargetFolder, device, inode) &&
        FolderListing::list(m_jobTargetFolder, entries))
        return true;
    m_view.showMessage(FillMessage("The path %s is not exist!", m_jobTargetFolder));
    return false;
}

// What the job of this run works with, its settings copied now.
RunContext RunControl::runContext() {
    return {
        m_view,     m_database, m_settings.profile, m_stores, m_settings.IndexColon, m_paths.indexDataPath,
        m_idleFlag, &m_runLock};
}

void RunControl::startFolderJob() {
    m_crawl.reset();
    m_job = std::make_unique<CIndexFolderThread>(runContext(), m_jobTargetFolder);
    m_runningFolderJob = m_job.get();
    m_job->start();
}

void RunControl::startCrawl() {
    m_job.reset();
    m_crawl.reset();
    m_crawl = std::make_unique<CrawlControl>(runContext(), m_crawlRoot, m_spiderSettings, m_crawlTickMs);
    m_crawl->StartCrawl();
}

void RunControl::Stop() {
    if (m_jobKind == JobKinds::Folder && m_runningFolderJob) {
        m_runningFolderJob->requestStop();
        m_runningFolderJob = nullptr;
    }
    if (m_jobKind == JobKinds::Website && m_crawl && !m_crawl->finished())
        m_crawl->StopCrawl();
    m_view.setStopEnabled(false);
    m_view.setGoEnabled(true);
}

void RunControl::shutdown() {
    if (m_runningFolderJob || (m_crawl && !m_crawl->finished()))
        Stop();
    waitForJob();
}

void RunControl::waitForJob() {
    if (m_crawl) {
        CrawlControl* crawl = m_crawl.get();
        waitHandlingEvents([crawl] { return crawl->finished(); });
    }
    if (!m_job)
        return;
    CIndexFolderThread* job = m_job.get();
    waitHandlingEvents([job] { return job->finished(); });
    job->join();
    if (m_runningFolderJob == job)
        m_runningFolderJob = nullptr;
}

bool RunControl::jobEnded() const {
    return (!m_job || m_job->finished()) && (!m_crawl || m_crawl->finished());
}

int RunControl::lastRecordCount() const {
    if (m_crawl)
        return m_crawl->pageCount();
    return m_job ? m_job->recordCount() : 0;
}
