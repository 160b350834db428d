#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "batch/BatchCommand.h"
#include "platform/SettingsStore.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Captures what a stream receives.
class Capture {
public:
    Capture() : m_file(std::tmpfile()) {}
    ~Capture() { std::fclose(m_file); }
    std::FILE* file() { return m_file; }
    std::string text() {
        std::fflush(m_file);
        std::string result;
        std::rewind(m_file);
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            result.append(buffer, n);
        return result;
    }

private:
    std::FILE* m_file;
};

class Batch : public ::testing::Test {
protected:
    int run(std::vector<std::string> arguments, bool freshCaptures = true) {
        if (freshCaptures || !out) {
            out = std::make_unique<Capture>();
            err = std::make_unique<Capture>();
        }
        BatchEnvironment environment;
        environment.programFolder = program.folder();
        environment.store = SettingsStore::atFile(settingsPath());
        environment.out = out->file();
        environment.err = err->file();
        return RunBatchCommand(arguments, std::move(environment));
    }
    std::string settingsPath() const { return program.str("settings.conf"); }
    std::string stdoutText() { return out->text(); }
    std::string stderrText() { return err->text(); }

    testsupport::ProgramFolder program;
    testsupport::TempDir site;
    std::unique_ptr<Capture> out;
    std::unique_ptr<Capture> err;
};

TEST_F(Batch, IndexFolderPrintsPageLinesAndFinish) {
    site.write("a.htm", "<title>A</title>");
    site.write("b.txt", "b");
    EXPECT_EQ(run({"--set", "ScriptType=0", "index-folder", site.str()}), BatchStatus::Finished);
    const std::string root = site.str() + "/";
    EXPECT_EQ(stdoutText(), "Indexed\t" + root + "a.htm\nIndexed\t" + root + "b.txt\nFinish\t2 records\n");
    EXPECT_EQ(stderrText(), "");
    EXPECT_EQ(testsupport::readFile(program.indexDataPath()).substr(0, 21), "arrFiles=new Array();");
    // --set is for this command only.
    EXPECT_FALSE(fs::exists(settingsPath()));
}

TEST_F(Batch, QuietRunAndRelativeFolder) {
    site.write("a.htm", "a");
    const fs::path before = fs::current_path();
    fs::current_path(site.path());
    const int status = run({"index-folder", ".", "--quiet"});
    fs::current_path(before);
    EXPECT_EQ(status, BatchStatus::Finished);
    EXPECT_EQ(stdoutText(), "Finish\t1 records\n");
}

TEST_F(Batch, MessagesGoToStandardErrorAndFailTheRun) {
    EXPECT_EQ(run({"index-folder", site.str("missing"), "--set", "ScriptType=0"}), BatchStatus::Failed);
    EXPECT_EQ(stderrText(), "The path " + site.str("missing") + "/ is not exist!\n");
    EXPECT_EQ(stdoutText(), "") << "a run that cannot start prints no Finish";

    fs::remove(program.databasePath());
    EXPECT_EQ(run({"index-folder", site.str()}),
              BatchStatus::Failed); // the default profile writes the database
    EXPECT_EQ(stderrText().rfind("Connect to database error!\nError info:", 0), 0u);
    EXPECT_EQ(stdoutText(), "");
}

TEST_F(Batch, UsageErrorsAreNamed) {
    EXPECT_EQ(run({"frobnicate"}), BatchStatus::Usage);
    EXPECT_NE(stderrText().find("Unknown command \"frobnicate\""), std::string::npos);

    EXPECT_EQ(run({"index-folder", site.str(), "--set", "NoSuchKey=1"}), BatchStatus::Usage);
    EXPECT_NE(stderrText().find("Unknown setting \"NoSuchKey\". Valid settings: AddFolderInitPath"),
              std::string::npos);
    EXPECT_NE(stderrText().find("UseThreadNum"), std::string::npos);

    EXPECT_EQ(run({"settings", "UseThreadNum=many"}), BatchStatus::Usage);
    EXPECT_NE(stderrText().find("UseThreadNum takes a whole number, not \"many\""), std::string::npos);

    // Thread counts and crawl limits are refused outside their range, for one command as for good.
    for (const char* outside :
         {"UseThreadNum=0", "UseThreadNum=-3", "UseThreadNum=21", "MaxPageCount=0", "MaxPageSize=999999"}) {
        EXPECT_EQ(run({"settings", outside}), BatchStatus::Usage) << outside;
        EXPECT_EQ(run({"index-website", "http://127.0.0.1:9/", "--set", outside}), BatchStatus::Usage)
            << outside;
        EXPECT_EQ(stdoutText(), "") << outside;
    }
    EXPECT_NE(stderrText().find("The setting MaxPageSize takes a number from 16 to 16384, not 999999."),
              std::string::npos);

    EXPECT_EQ(run({"--bogus"}), BatchStatus::Usage);
    EXPECT_EQ(run({"index-folder"}), BatchStatus::Usage);
    EXPECT_EQ(run({"--set", "novalue", "settings"}), BatchStatus::Usage);
    EXPECT_EQ(run({"settings", "--profile", "Nobody"}), BatchStatus::Usage);
    EXPECT_NE(stderrText().find("no option profile named \"Nobody\""), std::string::npos);
    EXPECT_FALSE(fs::exists(settingsPath()));
}

TEST_F(Batch, IndexWebsiteCrawlsFromTheFolderOfTheAddress) {
    LoopbackServer server([](const std::string& path) {
        if (path == "/docs/")
            return LoopbackServer::page(R"(<title>Docs</title><a href="b.html">b</a>)");
        return LoopbackServer::page("<title>" + path + "</title>");
    });
    EXPECT_EQ(run({"index-website", server.url("/docs/a.html"), "--set", "ScriptType=0"}),
              BatchStatus::Finished)
        << stderrText();
    EXPECT_EQ(stdoutText(), "Indexed\t" + server.url("/docs/") + "\nIndexed\t" + server.url("/docs/b.html") +
                                "\nFinish\t2 records\n");

    // An address is completed as the dialog completes it; what cannot be fetched is a usage error.
    EXPECT_EQ(run({"index-website", ""}), BatchStatus::Usage);
    EXPECT_NE(stderrText().find("index-website takes one web address."), std::string::npos);
    for (const char* garbage : {"ftp://files.example/", "http://", "http://host:99999/", "http:// /"}) {
        EXPECT_EQ(run({"index-website", garbage}), BatchStatus::Usage) << garbage;
        EXPECT_NE(stderrText().find("is not an http or https web address"), std::string::npos) << garbage;
    }
}

TEST_F(Batch, ACrawlSaysWhatItCouldNotFetchAndFailsWithoutItsStartAddress) {
    LoopbackServer server([](const std::string& path) {
        if (path == "/site/")
            return LoopbackServer::page(
                R"(<a href="gone.html"></a><a href="a.html"></a><a href="b.html"></a>)");
        if (path == "/site/gone.html" || path == "/gone/")
            return LoopbackServer::status(404);
        return LoopbackServer::page("<title>" + path + "</title>");
    });
    EXPECT_EQ(run({"index-website", server.url("/site/"), "--quiet", "--set", "ScriptType=0", "--set",
                   "UseThreadNum=1", "--set", "MaxPageCount=3"}),
              BatchStatus::Finished)
        << stderrText();
    EXPECT_EQ(stdoutText(), "Finish\t2 records\n");
    const std::string notes = stderrText();
    EXPECT_EQ(notes.rfind("The crawl stopped at its limit of 3 pages (MaxPageCount); 1 address found was not "
                          "fetched.\n1 address could not be fetched: 1 ",
                          0),
              0u)
        << notes;
    const std::string index = testsupport::readFile(program.indexDataPath());

    EXPECT_EQ(run({"index-website", server.url("/gone/"), "--set", "ScriptType=0"}), BatchStatus::Failed);
    EXPECT_EQ(stderrText().rfind("Cannot fetch the start address " + server.url("/gone/") + "\nReason: ", 0),
              0u)
        << stderrText();
    EXPECT_EQ(testsupport::readFile(program.indexDataPath()), index);
}

TEST_F(Batch, SettingsCommandListsAndSaves) {
    EXPECT_EQ(run({"settings"}), BatchStatus::Finished);
    const std::string listing = stdoutText();
    EXPECT_EQ(
        listing.rfind("AddFolderInitPath=\nRunSearchURL=http://localhost/search/search.html\nOptionsNum=1\n"
                      "CurOption=1\nIndexColon=0\nOptionName=YourSiteName1\nUseLinksType=0\n",
                      0),
        0u);
    EXPECT_NE(listing.find("\nNoIncFileListItemNum=0\nSelTemplateName=Simple-ASP\n"), std::string::npos);
    EXPECT_NE(listing.find("\nOutputPath=" + program.folder() + "/Output/\n"), std::string::npos);

    EXPECT_EQ(run({"settings", "UseThreadNum=5", "NoIncFileListItem1=/x/", "OptionName=Shop"}),
              BatchStatus::Finished);
    EXPECT_EQ(run({"settings", "--set", "UseThreadNum=9"}), BatchStatus::Finished);
    EXPECT_NE(stdoutText().find("\nUseThreadNum=9\n"), std::string::npos);
    EXPECT_EQ(run({"settings"}), BatchStatus::Finished);
    const std::string after = stdoutText();
    EXPECT_NE(after.find("\nOptionName=Shop\n"), std::string::npos);
    EXPECT_NE(after.find("\nUseThreadNum=5\n"), std::string::npos);
    EXPECT_NE(after.find("\nNoIncFileListItemNum=2\nNoIncFileListItem0=\nNoIncFileListItem1=/x/\n"),
              std::string::npos);
}

TEST_F(Batch, ProfileOptionChoosesAProfileForOneCommand) {
    {
        auto store = SettingsStore::atFile(settingsPath());
        store->setInt("Settings", "OptionsNum", 2);
        store->setString("Option2", "OptionName", "Docs");
        store->setInt("Option2", "UseThreadNum", 8);
        store->sync();
    }
    EXPECT_EQ(run({"--profile", "Docs", "settings", "UseLinksType=1"}), BatchStatus::Finished);
    EXPECT_EQ(run({"settings"}), BatchStatus::Finished);
    EXPECT_NE(stdoutText().find("\nCurOption=1\n"), std::string::npos); // the choice was not saved
    EXPECT_NE(stdoutText().find("\nUseLinksType=0\n"), std::string::npos);
    EXPECT_EQ(run({"settings", "--profile", "Docs"}), BatchStatus::Finished);
    EXPECT_NE(stdoutText().find("\nUseThreadNum=8\n"), std::string::npos);
    EXPECT_NE(stdoutText().find("\nUseLinksType=1\n"), std::string::npos);
    EXPECT_EQ(run({"settings", "CurOption=3"}), BatchStatus::Usage);
}

TEST_F(Batch, InterruptStopsTheRunAfterTheFileInHand) {
    constexpr int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i)
        site.write("p" + std::to_string(10000 + i) + ".htm", "<title>page</title>text");
    std::atomic<bool> done{false};
    out = std::make_unique<Capture>();
    err = std::make_unique<Capture>();
    std::FILE* pageLines = out->file();
    std::thread interrupter([&] {
        // Interrupt as soon as the first page line shows.
        while (!done && std::ftell(pageLines) <= 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (!done)
            std::raise(SIGINT);
    });
    const int status = run({"index-folder", site.str(), "--set", "ScriptType=0"}, false);
    done = true;
    interrupter.join();
    EXPECT_EQ(status, BatchStatus::Failed);
    EXPECT_NE(stderrText().find("Stopped"), std::string::npos);
    const std::string data = testsupport::readFile(program.indexDataPath());
    const size_t trailer = data.rfind("fileNum=");
    ASSERT_NE(trailer, std::string::npos);
    const int records = std::stoi(data.substr(trailer + 8));
    EXPECT_GT(records, 0);
    EXPECT_LT(records, kFiles);
    EXPECT_NE(stdoutText().find("Finish\t" + std::to_string(records) + " records\n"), std::string::npos);
}

TEST_F(Batch, TheProgramRunsFromItsOwnFolder) {
    // A copy of the program in a folder of its own, so its data file is this test's alone.
    fs::copy_file(FINDLARK_EXECUTABLE, program.path() / "findlark");
    site.write("a.htm", "<title>A</title>");
    const std::string command = "cd '" + site.str() + "' && XDG_CONFIG_HOME='" + program.str("config") +
                                "' '" + program.str("findlark") + "' index-folder . --set ScriptType=0 >'" +
                                program.str("out.txt") + "' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << testsupport::readFile(program.str("out.txt"));
    EXPECT_EQ(testsupport::readFile(program.indexDataPath()),
              "arrFiles=new Array();arrFiles[0]=new Array(\"a.htm\",\"A\",\"\",\"\",\"\",\"\");fileNum=1;");
    EXPECT_EQ(std::system(("'" + program.str("findlark") + "' --version >/dev/null").c_str()), 0);
    const int usage = std::system(("'" + program.str("findlark") + "' nonsense 2>/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(usage), BatchStatus::Usage);
}

// A run killed in the middle (here by the broken pipe once ten page lines were read) leaves the previous
// index exactly as it was, data file and rows, and make still publishes it.
TEST_F(Batch, AKilledRunLeavesThePreviousIndex) {
    fs::copy_file(FINDLARK_EXECUTABLE, program.path() / "findlark");
    fs::copy_file(fs::path(testsupport::buildProgramDir()) / "SearchFunc.dat",
                  program.path() / "SearchFunc.dat");
    fs::copy(fs::path(testsupport::buildProgramDir()) / "Template", program.path() / "Template",
             fs::copy_options::recursive);
    fs::create_directory(program.path() / "Output");
    site.write("small/a.htm", "<title>Previous</title>");
    for (int i = 0; i < 400; ++i)
        site.write("large/page" + std::to_string(i) + ".htm", "<title>New</title>" + std::string(20000, 'x'));
    const std::string findlark =
        "XDG_CONFIG_HOME='" + program.str("config") + "' '" + program.str("findlark") + "'";
    auto shell = [&](const std::string& command) { return std::system(command.c_str()); };

    // The database variant first: its end removes the data file of a JavaScript run, which make needs below.
    for (const char* variant : {"ScriptType=1", "ScriptType=0"}) {
        SCOPED_TRACE(variant);
        ASSERT_EQ(shell(findlark + " index-folder '" + site.str("small") + "' --quiet --set " + variant), 0);
        const std::string data = testsupport::readFile(program.indexDataPath());
        // Opened for writing, as the program opens it: a killed run's journal is rolled back on opening.
        auto table = [&] {
            return testsupport::queryRows(program.databasePath(), "SELECT * FROM IndexData",
                                          SQLITE_OPEN_READWRITE);
        };
        const auto rows = table();
        // The pipe closes after ten lines; the next page line kills the program.
        shell(findlark + " index-folder '" + site.str("large") + "' --set " + variant +
              " | head -n 10 >/dev/null");
        EXPECT_EQ(testsupport::readFile(program.indexDataPath()), data);
        EXPECT_EQ(table(), rows);
    }
    ASSERT_EQ(shell(findlark +
                    " make --quiet --set ScriptType=0 --set SelTemplateName=Simple --set OutputPath='" +
                    program.str("Output") + "/' >/dev/null"),
              0);
    EXPECT_NE(testsupport::readFile(program.path() / "Output" / "webdata.js").find("Previous"),
              std::string::npos);
}

} // namespace

TEST_F(Batch, PreviewServesThePhpEngineUntilInterrupted) {
    if (system("command -v php >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "php is not installed";
    // The support files and templates the build made.
    for (const char* name : {"SearchFunc.dat", "SearchFuncPHP.dat"})
        fs::copy_file(fs::path(FINDLARK_PROGRAM_DIR) / name, program.path() / name);
    fs::copy(fs::path(FINDLARK_PROGRAM_DIR) / "Template", program.path() / "Template",
             fs::copy_options::recursive);
    site.write("a.htm", "<title>Lanterns</title>brass lanterns");
    testsupport::TempDir output;
    const std::vector<std::string> settings = {"--set", "ScriptType=2",
                                               "--set", "SelTemplateName=Simple-PHP",
                                               "--set", "OutputPath=" + output.str() + "/"};
    std::vector<std::string> index = {"index-folder", site.str(), "--quiet"};
    index.insert(index.end(), settings.begin(), settings.end());
    ASSERT_EQ(run(index), BatchStatus::Finished) << stderrText();

    out = std::make_unique<Capture>();
    err = std::make_unique<Capture>();
    std::FILE* printed = out->file();
    std::string page;
    std::atomic<bool> done{false};
    std::thread visitor([&] {
        // Once the address is printed, search through it, then interrupt.
        while (!done && std::ftell(printed) <= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (done)
            return;
        const std::string address = stdoutText();
        const int port = testsupport::PortOf(address.substr(0, address.find("/search.html")) + "/");
        page = testsupport::LoopbackGet(port, "/search.php?q=lanterns");
        std::raise(SIGINT);
    });
    std::vector<std::string> preview = {"preview"};
    preview.insert(preview.end(), settings.begin(), settings.end());
    const int status = run(preview, false);
    done = true;
    visitor.join();
    EXPECT_EQ(status, BatchStatus::Finished) << stderrText();
    EXPECT_EQ(stdoutText().rfind("http://127.0.0.1:", 0), 0u) << stdoutText();
    EXPECT_NE(page.find("<span class=\"fl-count\">Find 1 items</span>"), std::string::npos) << page;
    // The server ended with the command.
    const std::string address = stdoutText();
    EXPECT_EQ(testsupport::LoopbackGet(
                  testsupport::PortOf(address.substr(0, address.find("/search.html")) + "/"), "/search.html"),
              "");

    // The other variants have nothing to serve: the browser's page is printed, ASP is refused.
    std::vector<std::string> javaScript = {"preview",
                                           "--set",
                                           "ScriptType=0",
                                           "--set",
                                           "SelTemplateName=Simple",
                                           "--set",
                                           "OutputPath=" + output.str() + "/"};
    index[0] = "index-folder";
    index.insert(index.end(), {"--set", "ScriptType=0"});
    ASSERT_EQ(run(index), BatchStatus::Finished) << stderrText();
    EXPECT_EQ(run(javaScript), BatchStatus::Finished) << stderrText();
    EXPECT_EQ(stdoutText(), output.str() + "/search.html\n");
    javaScript[2] = "ScriptType=1";
    javaScript[4] = "SelTemplateName=Simple-ASP";
    EXPECT_EQ(run(javaScript), BatchStatus::Failed);
    EXPECT_NE(stderrText().find("needs a web server with ASP"), std::string::npos);
}

// Two processes on one data folder: while a crawl waits for a server that never answers, a second run is
// refused with exit 1 and changes nothing; killing the crawl frees the folder, as the system drops the
// lock with its holder.
TEST_F(Batch, OneRunAtATimePerDataFolderAcrossProcesses) {
    LoopbackServer silent(
        [](const std::string&) { return LoopbackServer::of(LoopbackServer::Reply::Stall); });
    fs::copy_file(FINDLARK_EXECUTABLE, program.path() / "findlark");
    site.write("a.htm", "<title>Previous</title>");
    const std::string findlark = program.str("findlark");
    const std::string config = "XDG_CONFIG_HOME=" + program.str("config");
    const std::string indexSite = "env '" + config + "' '" + findlark + "' index-folder '" + site.str() +
                                  "' --set ScriptType=0 >'" + program.str("out.txt") + "' 2>&1";
    ASSERT_EQ(std::system(indexSite.c_str()), 0);
    const std::string previous = testsupport::readFile(program.indexDataPath());

    const pid_t crawl = fork();
    ASSERT_GE(crawl, 0);
    if (crawl == 0) {
        execl("/usr/bin/env", "env", config.c_str(), findlark.c_str(), "index-website", silent.url().c_str(),
              "--quiet", "--set", "ScriptType=0", static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string pending = program.indexDataPath() + ".new";
    for (int wait = 0; wait < 3000 && silent.requests().empty(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(silent.requests().empty()) << "the crawl never asked";
    const std::string crawlPending = testsupport::readFile(pending);

    const int refused = std::system(indexSite.c_str());
    EXPECT_EQ(WEXITSTATUS(refused), BatchStatus::Failed);
    EXPECT_NE(testsupport::readFile(program.str("out.txt"))
                  .find("Current indexing work has not been finished yet!\nPlease wait or stop the work to "
                        "continue."),
              std::string::npos);
    EXPECT_EQ(testsupport::readFile(pending), crawlPending);
    EXPECT_EQ(testsupport::readFile(program.indexDataPath()), previous);

    kill(crawl, SIGKILL);
    int status = 0;
    waitpid(crawl, &status, 0);
    EXPECT_EQ(std::system(indexSite.c_str()), 0) << testsupport::readFile(program.str("out.txt"));
}
