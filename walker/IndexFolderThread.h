#pragma once

#include <atomic>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

#include "app/Settings.h"
#include "platform/FolderListing.h"
#include "store/RecordWriter.h"
#include "store/RunIndex.h"

class IndexDatabase;
class PageReadAhead;
class RunView;

// The folder job: walks a folder tree on its own thread and indexes every HTML and text file in it.
class CIndexFolderThread {
public:
    CIndexFolderThread(RunContext context, std::string folder);
    ~CIndexFolderThread(); // waits for the thread
    CIndexFolderThread(const CIndexFolderThread&) = delete;
    CIndexFolderThread& operator=(const CIndexFolderThread&) = delete;

    void start();
    // The job finishes the file in hand, writes its trailer and ends before the next file.
    void requestStop() { m_stopFlag = 1; }
    bool finished() const { return m_finished; }
    void join();
    int recordCount() const { return m_recordCount; }

private:
    void Run();
    // Both return false once the stop flag has ended the walk.
    bool IndexFolderTree(const std::string& folder);
    bool IndexFolderFiles(const std::string& folder, const std::vector<FolderEntry>& entries);
    // The pages found by the walk wait in m_pages while being read; their records are written here, in
    // walk order. Each returns false, writing nothing more, once the stop flag is set.
    bool queuePage(const std::string& path, int kind);
    bool writeOldestPage();
    bool writeWaitingPages();
    void endOfJob();
    bool isExcluded(const std::string& path) const;
    bool leadsOutside(const FolderEntry& entry, const std::string& path) const;

    RunContext m_context;
    std::string m_folder;
    std::string m_realFolder; // m_folder with its links resolved, ending in "/"; empty when unresolved
    RecordWriter m_writer;
    std::atomic<int> m_stopFlag{0};
    std::atomic<int> m_recordCount{0};
    std::atomic<bool> m_finished{false};
    int m_rowCount = 0;
    std::set<std::pair<dev_t, ino_t>> m_visitedFolders;
    PageReadAhead* m_pages = nullptr; // while the walk runs
    std::thread m_thread;
};
