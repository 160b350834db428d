#include "walker/IndexFolderThread.h"
#include "walker/PageReadAhead.h"

#include "app/ProductInfo.h"
#include "app/RunView.h"
#include "index/FileKind.h"
#include "platform/FolderListing.h"
#include "platform/FolderPath.h"
#include "platform/WorkerThreads.h"
#include "store/IndexDataFile.h"
#include "store/IndexDatabase.h"
#include "store/RunIndex.h"

#include <algorithm>

CIndexFolderThread::CIndexFolderThread(RunContext context, std::string folder)
    : m_context(std::move(context)), m_folder(std::move(folder)),
      m_writer(m_context.profile, m_context.stores, m_context.indexDataPath, m_context.database) {}

CIndexFolderThread::~CIndexFolderThread() {
    join();
}

void CIndexFolderThread::start() {
    m_thread = std::thread([this] { Run(); });
}

void CIndexFolderThread::join() {
    if (m_thread.joinable())
        m_thread.join();
}

namespace {

// Pages waiting per worker: enough that a worker never idles while the job writes, few enough that the
// pages held ahead stay small next to one large page.
constexpr size_t kPagesAheadPerWorker = 4;

} // namespace

void CIndexFolderThread::Run() {
    m_folder = WithFolderSlash(m_folder);
    m_realFolder = WithFolderSlash(FolderListing::canonicalPath(m_folder));
    const int workers = WorkerThreadCount();
    PageReadAhead pages(workers, kPagesAheadPerWorker * static_cast<size_t>(workers),
                        m_context.profile.IndexStrategy, m_context.indexColon, m_stopFlag,
                        m_context.profile.FallbackCharset);
    m_pages = &pages;
    if (IndexFolderTree(m_folder))
        writeWaitingPages();
    m_pages = nullptr;
    // The trailer does not wait for the pages read ahead of a Stop: they are dropped unwritten once the
    // workers have finished them, when the job's thread ends.
    endOfJob();
}

bool CIndexFolderThread::isExcluded(const std::string& path) const {
    const auto& list = m_context.profile.NoIncFileList;
    return std::find(list.begin(), list.end(), path) != list.end();
}

// A link is followed only to what lies inside the job's folder: a site copied from elsewhere may hold
// links to the user's home or to system files, and whatever is indexed gets published. A link that
// cannot be resolved leads nowhere; reading through it fails like reading any missing file.
bool CIndexFolderThread::leadsOutside(const FolderEntry& entry, const std::string& path) const {
    if (!entry.isLink)
        return false;
    const std::string target = FolderListing::canonicalPath(path);
    if (target.empty())
        return false;
    return m_realFolder.empty() || !WithFolderSlash(target).starts_with(m_realFolder);
}

bool CIndexFolderThread::IndexFolderTree(const std::string& folder) {
    // Excluded folders are skipped with everything below them.
    if (isExcluded(WithFolderSlash(folder)))
        return true;
    if (m_stopFlag)
        return false;
    std::vector<FolderEntry> entries;
    dev_t device = 0;
    ino_t inode = 0;
    if (!FolderListing::identity(folder, device, inode) || !FolderListing::list(folder, entries)) {
        // The message comes after the rows of the files walked before this folder, as the walk met them.
        if (!writeWaitingPages() || m_stopFlag)
            return false;
        m_context.view.showMessage(FillMessage("The path %s is not exist!", folder));
        return true;
    }
    // A folder reached a second time (a link loop, or a second link to it) is not walked again.
    if (!m_visitedFolders.emplace(device, inode).second)
        return true;
    if (!IndexFolderFiles(folder, entries))
        return false;
    const std::string prefix = WithFolderSlash(folder);
    for (const FolderEntry& entry : entries) {
        const std::string path = prefix + entry.name;
        if (entry.isFolder && !leadsOutside(entry, path) && !IndexFolderTree(path))
            return false;
    }
    return true;
}

bool CIndexFolderThread::IndexFolderFiles(const std::string& folder,
                                          const std::vector<FolderEntry>& entries) {
    const std::string prefix = WithFolderSlash(folder);
    for (const FolderEntry& entry : entries) {
        if (entry.isFolder)
            continue;
        const std::string path = prefix + entry.name;
        if (isExcluded(path))
            continue;
        if (m_stopFlag)
            return false;
        if (entry.name.find('.') == std::string::npos)
            continue;
        const int kind = GetFileKind(FileNameExtension(entry.name), m_context.profile.HtmlFileType,
                                     m_context.profile.TextFileType);
        if (kind == FileKinds::NotIndexed || leadsOutside(entry, path))
            continue;
        if (!queuePage(path, kind))
            return false;
    }
    return true;
}

bool CIndexFolderThread::queuePage(const std::string& path, int kind) {
    if (m_pages->full() && !writeOldestPage())
        return false;
    m_pages->queue(path, kind);
    return true;
}

bool CIndexFolderThread::writeWaitingPages() {
    while (!m_pages->empty()) {
        if (!writeOldestPage())
            return false;
    }
    return true;
}

// The page list shows the file from the moment it is in hand, as if it were read only now.
bool CIndexFolderThread::writeOldestPage() {
    if (m_stopFlag)
        return false;
    RunView& view = m_context.view;
    const std::string path = m_pages->oldestPath();
    view.setCurrentItem(path);
    const int row = m_rowCount++;
    view.insertPageRow(row, path, PageImages::Reading, "Reading...");

    ReadAheadPage page = m_pages->takeOldest();
    // A page too large to finish quickly after Stop is left unindexed rather than holding the Stop.
    if (page.stopped) {
        view.updatePageRow(row, PageImages::Failure, "Failure");
        return false;
    }
    const bool written = m_writer.write(m_recordCount, path, m_folder, std::move(page.fields));
    if (page.opened && written)
        view.updatePageRow(row, PageImages::Indexed, "Indexed");
    else
        view.updatePageRow(row, PageImages::Failure, "Failure");
    ++m_recordCount;
    return true;
}

void CIndexFolderThread::endOfJob() {
    // A run stopped before its end keeps what it read; a Stop while the end stores the index stops that.
    const bool stoppedBefore = m_stopFlag != 0;
    if (!stoppedBefore)
        m_context.database.setStopFlag(&m_stopFlag);
    FinishRun(m_context, m_recordCount, m_writer.allWritten());
    m_context.database.setStopFlag(nullptr);
    m_stopFlag = 1;
    m_finished = true;
}
