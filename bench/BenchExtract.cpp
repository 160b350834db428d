// Speed of page reading and text extraction. The HTML benchmarks run over the pages of a real site: the
// SQLite documentation that Debian installs under /usr/share/doc/sqlite3 (package sqlite3-doc).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "index/PageExtractor.h"
#include "index/PageFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSiteFolder = "/usr/share/doc/sqlite3";

struct Site {
    std::vector<std::string> pages;
    int64_t bytes = 0;
};

// Every *.html page of the site, read once as the folder job reads it.
const Site& sqliteSite() {
    static const Site site = [] {
        Site loaded;
        std::error_code error;
        std::vector<fs::path> paths;
        for (fs::recursive_directory_iterator it(kSiteFolder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file(error) && it->path().extension() == ".html")
                paths.push_back(it->path());
        }
        std::sort(paths.begin(), paths.end());
        for (const fs::path& path : paths) {
            std::string content;
            if (!ReadPageFile(path.string(), content, 0))
                continue;
            loaded.bytes += static_cast<int64_t>(content.size());
            loaded.pages.push_back(std::move(content));
        }
        return loaded;
    }();
    return site;
}

void extractSite(benchmark::State& state, int kind) {
    const Site& site = sqliteSite();
    if (site.pages.empty()) {
        state.SkipWithError("no *.html pages under /usr/share/doc/sqlite3 (install sqlite3-doc)");
        return;
    }
    const int indexColon = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (const std::string& page : site.pages) {
            PageFields fields = ExtractPageText(page, kind, indexColon);
            benchmark::DoNotOptimize(fields.text.data());
            benchmark::DoNotOptimize(fields.title.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * site.bytes);
    state.counters["pages"] = static_cast<double>(site.pages.size());
}

void BM_ExtractHtmlPages(benchmark::State& state) {
    extractSite(state, FileKinds::Html);
}
void BM_ExtractPagesAsText(benchmark::State& state) {
    extractSite(state, FileKinds::Text);
}

// A 200 MB page file made of ordinary markup lines, written once into a temporary folder and removed
// when the benchmark program ends.
class LargePageFile {
public:
    static constexpr size_t kSize = 200u << 20;

    LargePageFile() {
        m_folder = fs::temp_directory_path() / ("findlark-bench-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        m_path = (m_folder / "large.htm").string();
        const std::string line =
            "<p>Some ordinary words of a page, with <a href=\"x.html\">a link</a> &amp; more.\r\n";
        std::string block;
        while (block.size() < (1u << 20))
            block += line;
        std::ofstream out(m_path, std::ios::binary);
        for (size_t written = 0; written < kSize; written += block.size())
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    ~LargePageFile() {
        std::error_code error;
        fs::remove_all(m_folder, error);
    }
    const std::string& path() const { return m_path; }
    uintmax_t fileSize() const { return fs::file_size(m_path); }

private:
    fs::path m_folder;
    std::string m_path;
};

const LargePageFile& largePageFile() {
    static const LargePageFile file;
    return file;
}

// Argument 1 reads as the folder job does, a megabyte at a time with a stop to ask (never set here).
void BM_ReadLargePageFile(benchmark::State& state) {
    const LargePageFile& file = largePageFile();
    const int64_t bytes = static_cast<int64_t>(file.fileSize());
    const std::atomic<int> flag{0};
    std::string content;
    for (auto _ : state) {
        PageStop stop(flag);
        if (!ReadPageFile(file.path(), content, 0, state.range(0) != 0 ? &stop : nullptr)) {
            state.SkipWithError("the large page file could not be read");
            break;
        }
        benchmark::DoNotOptimize(content.data());
    }
    // Every line of the file ends in CR LF; the content joins the lines with one LF.
    const int64_t joins = std::count(content.begin(), content.end(), '\n');
    if (static_cast<int64_t>(content.size()) != bytes - 2 * (joins + 1) + joins)
        state.SkipWithError("the large page file was read wrongly");
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_ExtractLargePage(benchmark::State& state) {
    std::string content;
    if (!ReadPageFile(largePageFile().path(), content, 0)) {
        state.SkipWithError("the large page file could not be read");
        return;
    }
    for (auto _ : state) {
        PageFields fields = ExtractPageText(content, FileKinds::Html, 0);
        benchmark::DoNotOptimize(fields.text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(content.size()));
}

// 16 MB of tags that close only at the end, one opener per argument: "<", "<!--", "<a href=\"".
void BM_ExtractOpenTags(benchmark::State& state) {
    static const char* const kOpeners[] = {"<", "<!--", "<a href=\""};
    std::string page(kOpeners[state.range(0)]);
    while (page.size() < (size_t{16} << 20))
        page += page;
    page += ">end";
    for (auto _ : state) {
        PageFields fields = ExtractPageText(page, FileKinds::Html, 0);
        benchmark::DoNotOptimize(fields.text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

} // namespace

BENCHMARK(BM_ExtractHtmlPages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractPagesAsText)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLargePageFile)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractOpenTags)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractLargePage)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
