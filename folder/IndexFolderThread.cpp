#include "folder/IndexFolderThread.h"

#include "app/ProductInfo.h"
#include "app/RunView.h"
#include "generator/IndexDatabase.h"
#include "generator/RunIndex.h"
#include "index/FileKind.h"
#include "index/IndexDataFile.h"
#include "index/PageFile.h"
#include "platform/FolderListing.h"
#include "platform/FolderPath.h"

#include <algorithm>

CIndexFolderThread::CIndexFolderThread(RunContext context, std::string folder)
    : m_context(std::move(context)), m_folder(std::move(folder)),
      m_writer(m_context.profile, m_context.indexDataPath, m_context.database) {}

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

void CIndexFolderThread::Run() {
    m_folder = WithFolderSlash(m_folder);
    IndexFolderTree(m_folder);
    endOfJob();
}

bool CIndexFolderThread::isExcluded(const std::string& path) const {
    const auto& list = m_context.profile.NoIncFileList;
    return std::find(list.begin(), list.end(), path) != list.end();
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
        if (entry.isFolder && !IndexFolderTree(prefix + entry.name))
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
        if (kind == FileKinds::NotIndexed)
            continue;
        indexFile(path, kind);
    }
    return true;
}

void CIndexFolderThread::indexFile(const std::string& path, int kind) {
    RunView& view = m_context.view;
    view.setCurrentItem(path);
    const int row = m_rowCount++;
    view.insertPageRow(row, path, PageImages::Reading, "Reading...");

    std::string content;
    const bool opened = ReadPageFile(path, content, m_context.profile.IndexStrategy);
    PageFields fields = ExtractPageText(content, kind, m_context.indexColon);
    content = std::string(); // a large page's memory is given back before the next one
    const bool written = m_writer.write(m_recordCount, path, m_folder, std::move(fields));

    if (opened && written)
        view.updatePageRow(row, PageImages::Indexed, "Indexed");
    else
        view.updatePageRow(row, PageImages::Failure, "Failure");
    ++m_recordCount;
}

void CIndexFolderThread::endOfJob() {
    FinishRun(m_context, m_recordCount, m_writer.allWritten());
    m_stopFlag = 1;
    m_finished = true;
}
