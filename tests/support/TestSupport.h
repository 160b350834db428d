#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

#include "app/MessageService.h"

namespace testsupport {

// A fresh folder below the system's temporary folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // path() + "/" + relative, as the program writes paths.
    std::string str(std::string_view relative = {}) const;
    // Writes a file (making its folders) and returns its path.
    std::string write(std::string_view relative, std::string_view content) const;

private:
    std::filesystem::path m_path;
};

// A program folder for tests: the support files of the build's program folder copied into a temporary folder.
class ProgramFolder : public TempDir {
public:
    ProgramFolder();
    std::string folder() const { return str(); }
    std::string indexDataPath() const { return str("IndexData.dat"); }
    std::string databasePath() const { return str("IndexData.mdb"); }
};

// Records every message instead of showing it.
class RecordingMessages : public MessageService {
public:
    void showMessage(const std::string& text) override;
    std::vector<std::string> messages() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

std::string readFile(const std::filesystem::path& path);

// The whole response (status line, headers, body) to "GET <path>" on 127.0.0.1:<port>, or "" when nothing
// listens there.
std::string LoopbackGet(int port, const std::string& path);

// The port of an address such as "http://127.0.0.1:8080/...", or -1.
int PortOf(const std::string& address);

// One row of a query's result; NULL as nothing.
using DbRow = std::vector<std::optional<std::string>>;
// Runs a query on a connection of its own, outside the code under test (read-only unless flags say
// otherwise); nothing when the file cannot be opened or the query fails.
std::vector<DbRow> queryRows(const std::string& path, const std::string& sql,
                             int openFlags = SQLITE_OPEN_READONLY);

// The path of node when it is installed, else empty.
std::string nodePath();
// Runs a JavaScript file with node; its standard output, or nothing when node failed or is missing.
std::optional<std::string> runNode(const std::string& scriptPath);
// Evaluates an index data file with node and prints its records as JSON: [fileNum, [[six strings]...]].
std::optional<std::string> indexDataAsJson(const std::string& indexDataPath);
std::string sourceDir();
std::string buildProgramDir();

} // namespace testsupport
