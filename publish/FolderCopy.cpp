#include "publish/FolderCopy.h"

#include "platform/FileReplace.h"

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

namespace FolderCopy {

namespace {

class TreeWalk {
public:
    explicit TreeWalk(const fs::path& destination) {
        std::error_code error;
        m_destination = fs::canonical(destination, error); // empty, and so never met, when it is missing
    }

    CopyPlan plan(const fs::path& from, const fs::path& into) {
        std::error_code error;
        const fs::path real = fs::canonical(from, error);
        if (error) {
            m_plan.complete = false;
        } else {
            m_root = real;
            walkFolder(real, from, into);
        }
        return std::move(m_plan);
    }

private:
    void walkFolder(const fs::path& real, const fs::path& from, const fs::path& into) {
        m_chain.push_back(real);
        for (const fs::path& entry : entriesOf(from))
            copyEntry(entry, into / entry.filename());
        m_chain.pop_back();
    }

    bool onChain(const fs::path& real) const {
        return std::find(m_chain.begin(), m_chain.end(), real) != m_chain.end();
    }

    std::vector<fs::path> entriesOf(const fs::path& folder) {
        std::vector<fs::path> entries;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            entries.push_back(it->path());
        if (error)
            m_plan.complete = false;
        return entries;
    }

    // True when the real path lies inside the folder being copied.
    bool insideRoot(const fs::path& real) const {
        const fs::path relative = real.lexically_relative(m_root);
        return !relative.empty() && *relative.begin() != "..";
    }

    void copyEntry(const fs::path& from, const fs::path& to) {
        std::error_code error;
        if (fs::is_symlink(fs::symlink_status(from, error))) {
            const fs::path target = fs::canonical(from, error);
            if (!error && !insideRoot(target))
                return; // a link out of the template is never followed
        }
        const fs::file_status status = fs::status(from, error);
        if (error) { // a dangling link or one that loops on itself
            m_plan.complete = false;
        } else if (fs::is_directory(status)) {
            copySubfolder(from, to);
        } else if (fs::is_regular_file(status)) {
            copyFile(from, to);
        }
    }

    void copySubfolder(const fs::path& from, const fs::path& to) {
        std::error_code error;
        const fs::path real = fs::canonical(from, error);
        if (error) {
            m_plan.complete = false;
            return;
        }
        if (onChain(real) || real == m_destination)
            return;
        m_plan.folders.push_back(to);
        walkFolder(real, from, to);
    }

    void copyFile(const fs::path& from, const fs::path& to) {
        std::error_code error;
        const bool linkAtTarget = fs::is_symlink(fs::symlink_status(to, error));
        if (!linkAtTarget && fs::equivalent(from, to, error))
            return; // the source folder is its own destination: nothing to copy
        m_plan.files.push_back({from, to});
    }

    fs::path m_destination;
    fs::path m_root;
    std::vector<fs::path> m_chain; // the real paths of the folders being copied, outermost first
    CopyPlan m_plan;
};

} // namespace

CopyPlan PlanCopy(const fs::path& from, const fs::path& into) {
    return TreeWalk(into).plan(from, into);
}

bool CopyPlanned(const CopyPlan& plan) {
    bool ok = true;
    for (const fs::path& folder : plan.folders) {
        std::error_code error;
        // A link standing where the folder goes is replaced, so nothing is written into its target.
        if (fs::is_symlink(fs::symlink_status(folder, error)))
            fs::remove(folder, error);
        fs::create_directory(folder, error);
        if (error || !fs::is_directory(fs::symlink_status(folder, error)))
            ok = false;
    }
    for (const FileCopy& file : plan.files) {
        if (!FileReplace::withCopy(file.from, file.to))
            ok = false;
    }
    return ok;
}

bool copyContents(const fs::path& from, const fs::path& into) {
    const CopyPlan plan = PlanCopy(from, into);
    return CopyPlanned(plan) && plan.complete;
}

} // namespace FolderCopy
