// A whole indexing run of 8,000 pages into the index database, against the same run writing the script file.
#include "app/MessageService.h"
#include "engines/EngineRegistry.h"
#include "platform/TextFile.h"
#include "store/IndexDatabase.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 8000;

class CountingMessages : public MessageService {
public:
    void showMessage(const std::string&) override { ++count; }
    int count = 0;
};

// A program folder of its own holding an empty database made from the build's schema.
class BenchFolder {
public:
    BenchFolder() : m_path(fs::temp_directory_path() / ("findlark-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~BenchFolder() { fs::remove_all(m_path); }
    std::string folder() const { return m_path.string(); }

    bool makeDatabase() const {
        const fs::path schemaPath =
            fs::path(__FILE__).parent_path().parent_path() / "support" / "IndexData.sql";
        std::ifstream in(schemaPath, std::ios::binary);
        std::ostringstream schema;
        schema << in.rdbuf();
        sqlite3* db = nullptr;
        const std::string path = folder() + "/IndexData.mdb";
        bool made = in && sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return made;
    }

private:
    fs::path m_path;
};

struct Page {
    std::string link, title, text, keywords, description;
};

Page pageOf(int number) {
    std::string text;
    while (text.size() < 2000)
        text += "words of page " + std::to_string(number) + " with some body text ";
    return {"docs/section" + std::to_string(number % 40) + "/page" + std::to_string(number) + ".htm",
            "Title of page " + std::to_string(number), text, "alpha,beta,gamma", "What the page is about"};
}

void BM_AspRun(benchmark::State& state) {
    BenchFolder folder;
    if (!folder.makeDatabase()) {
        state.SkipWithError("cannot make the empty database");
        return;
    }
    CountingMessages messages;
    IndexDatabase database(folder.folder() + "/IndexData.mdb", messages);
    for (auto _ : state) {
        // Every run after the first also deletes the rows of the run before, as a real run does.
        database.ConnectDatabase(EngineRegistry::ForScriptType(1).runStores(), 0);
        database.DeleteAllRecords();
        for (int i = 0; i < kPages; ++i) {
            const Page page = pageOf(i);
            database.AddRecord(i, page.link, page.title, page.text, page.keywords, page.description, "");
        }
        database.CloseDatabase(0);
    }
    if (messages.count)
        state.SkipWithError("the database reported failures");
    state.counters["rows/s"] = benchmark::Counter(kPages, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_JavaScriptRun(benchmark::State& state) {
    BenchFolder folder;
    const std::string dataPath = folder.folder() + "/IndexData.dat";
    for (auto _ : state) {
        fs::remove(dataPath);
        TextFile::append(dataPath, "arrFiles=new Array();");
        for (int i = 0; i < kPages; ++i) {
            const Page page = pageOf(i);
            TextFile::append(dataPath, "arrFiles[" + std::to_string(i) + "]=new Array(\"" + page.link +
                                           "\",\"" + page.title + "\",\"" + page.text + "\",\"" +
                                           page.keywords + "\",\"" + page.description + "\",\"\");");
        }
        TextFile::append(dataPath, "fileNum=" + std::to_string(kPages) + ";");
    }
    state.counters["rows/s"] = benchmark::Counter(kPages, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_AspRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JavaScriptRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
