#include "tests/support/TestSupport.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <sqlite3.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    const std::string name = "findlark-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                             "-" + std::to_string(random());
    m_path = fs::temp_directory_path() / name;
    fs::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code error;
    // Tests may leave unreadable folders behind; make them removable first.
    for (auto it =
             fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

std::string TempDir::str(std::string_view relative) const {
    std::string result = m_path.string();
    if (!relative.empty()) {
        result += '/';
        result += relative;
    }
    return result;
}

std::string TempDir::write(std::string_view relative, std::string_view content) const {
    const fs::path file = fs::path(str(relative));
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
}

ProgramFolder::ProgramFolder() {
    // The empty database is made from the schema the build uses, so a database filled by an earlier
    // run of the program never leaks into a test.
    sqlite3* db = nullptr;
    const std::string schema = readFile(fs::path(sourceDir()) / "support" / "IndexData.sql");
    if (sqlite3_open(databasePath().c_str(), &db) == SQLITE_OK)
        sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void RecordingMessages::showMessage(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(text);
}

std::vector<std::string> RecordingMessages::messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<DbRow> queryRows(const std::string& path, const std::string& sql, int openFlags) {
    std::vector<DbRow> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, openFlags, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            DbRow row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                row.push_back(text ? std::optional<std::string>(std::string(
                                         text, static_cast<size_t>(sqlite3_column_bytes(statement, i))))
                                   : std::nullopt);
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

std::string nodePath() {
    for (const char* candidate : {"/usr/bin/node", "/usr/local/bin/node"})
        if (fs::exists(candidate))
            return candidate;
    return {};
}

std::optional<std::string> runNode(const std::string& scriptPath) {
    const std::string node = nodePath();
    if (node.empty())
        return std::nullopt;
    const std::string command = node + " '" + scriptPath + "' 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string output;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    if (::pclose(pipe) != 0)
        return std::nullopt;
    return output;
}

std::optional<std::string> indexDataAsJson(const std::string& indexDataPath) {
    TempDir dir;
    const std::string script = dir.write(
        "eval.js",
        "const fs = require('fs');\n"
        "const vm = require('vm');\n"
        "const context = {};\n"
        "vm.runInNewContext(fs.readFileSync(process.argv[2] || '" +
            indexDataPath +
            "', 'utf8'), context);\n"
            "process.stdout.write(JSON.stringify([context.fileNum, Array.from(context.arrFiles)]));\n");
    return runNode(script);
}

std::string sourceDir() {
    return FINDLARK_SOURCE_DIR;
}
std::string buildProgramDir() {
    return FINDLARK_PROGRAM_DIR;
}

std::string LoopbackGet(int port, const std::string& path) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return "";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    std::string response;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
            char buffer[65536];
            ssize_t n = 0;
            while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
                response.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    return response;
}

int PortOf(const std::string& address) {
    const size_t colon = address.rfind(':');
    if (colon == std::string::npos || address.compare(0, 7, "http://") != 0)
        return -1;
    return std::atoi(address.c_str() + colon + 1);
}

} // namespace testsupport
