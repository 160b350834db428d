#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "app/Settings.h"
#include "run/RunControl.h"
#include "store/IndexDataFile.h"
#include "tests/run/RecordingView.h"
#include "tests/support/TestSupport.h"
#include "walker/PageReadAhead.h"

namespace fs = std::filesystem;
using testsupport::readFile;

namespace {

class FolderJob : public ::testing::Test {
protected:
    FolderJob() : paths(AppPaths::forProgramFolder(program.folder())) {
        settings.profile = ProfileSettings::defaults(paths.programFolder);
        settings.profile.ScriptType = ScriptTypes::JavaScript;
        settings.profileNames = {"YourSiteName1"};
    }

    std::string siteRoot() const { return site.str() + "/"; }

    // Indexes the site folder and waits for the job to end.
    void runOver(const std::string& folder) {
        RunControl run(paths, settings, view);
        ASSERT_TRUE(run.IndexFolder(folder));
        run.waitForJob();
        records = run.lastRecordCount();
    }

    std::string dataFile() const { return readFile(paths.indexDataPath); }

    testsupport::ProgramFolder program;
    testsupport::TempDir site;
    AppPaths paths;
    Settings settings;
    RecordingView view;
    int records = -1;
};

TEST_F(FolderJob, IndexesHtmlAndTextFilesByExtensionOnly) {
    site.write("a.htm", "<title>A</title>x");
    site.write("b.TXT", "plain");
    site.write("c.jpg", "binary");
    site.write("README", "no extension");
    site.write("dir.v2/noext", "in a folder whose name holds a dot");
    runOver(site.str());

    EXPECT_EQ(view.pages(), (std::vector<std::string>{siteRoot() + "a.htm", siteRoot() + "b.TXT"}));
    for (const auto& row : view.rows()) {
        EXPECT_EQ(row.status, "Indexed");
        EXPECT_EQ(row.image, PageImages::Indexed);
    }
    EXPECT_EQ(dataFile(), "arrFiles=new Array();"
                          "arrFiles[0]=new Array(\"a.htm\",\"A\",\"x\",\"\",\"\",\"\");"
                          "arrFiles[1]=new Array(\"b.TXT\",\"NO TITLE\",\"plain\",\"\",\"\",\"\");"
                          "fileNum=2;");
    EXPECT_EQ(records, 2);
    EXPECT_EQ(view.status(), "Finish");
    EXPECT_FALSE(view.stopEnabled());
    EXPECT_TRUE(view.goEnabled());
    EXPECT_EQ(settings.AddFolderInitPath, siteRoot());
    EXPECT_FALSE(view.badRowNumbers());
}

TEST_F(FolderJob, WalksFilesFirstThenSubfoldersInNameOrder) {
    for (const char* name :
         {"b.htm", "A.htm", "a.htm", "sub/z.htm", "sub/deeper/y.htm", "Sub2/x.htm", "c.htm"})
        site.write(name, "<title>t</title>");
    runOver(site.str());
    const std::string r = siteRoot();
    EXPECT_EQ(view.pages(),
              (std::vector<std::string>{r + "A.htm", r + "a.htm", r + "b.htm", r + "c.htm", r + "sub/z.htm",
                                        r + "sub/deeper/y.htm", r + "Sub2/x.htm"}));
}

// Pages are read ahead on several threads, large and small mixed, so they finish out of order; their
// records, rows and numbers must still come in walk order, each page's fields with its own link.
TEST_F(FolderJob, PagesReadAheadAreWrittenInWalkOrder) {
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back("p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".htm");
    for (int i = 0; i < 10; ++i)
        names.push_back("sub/q" + std::to_string(i) + ".htm");
    for (int i = 0; i < 10; ++i)
        names.push_back("sub/deeper/r" + std::to_string(i) + ".txt");
    std::string expected = "arrFiles=new Array();";
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string body(i % 20 == 0 ? 2000000 : i * 13, static_cast<char>('a' + i % 26));
        const bool html = names[i].ends_with(".htm");
        site.write(names[i], html ? "<title>T" + std::to_string(i) + "</title>" + body : body);
        expected += "arrFiles[" + std::to_string(i) + "]=new Array(\"" + names[i] + "\",\"" +
                    (html ? "T" + std::to_string(i) : "NO TITLE") + "\",\"" + body + "\",\"\",\"\",\"\");";
    }
    expected += "fileNum=" + std::to_string(names.size()) + ";";
    runOver(site.str());

    EXPECT_TRUE(dataFile() == expected) << "records out of walk order, lost or doubled";
    std::vector<std::string> pages;
    for (const std::string& name : names)
        pages.push_back(siteRoot() + name);
    EXPECT_EQ(view.pages(), pages);
    for (const auto& row : view.rows())
        EXPECT_EQ(row.status, "Indexed");
    EXPECT_FALSE(view.badRowNumbers());
}

TEST_F(FolderJob, ExclusionListSkipsFoldersAndFilesByExactPath) {
    site.write("keep.htm", "k");
    site.write("private/secret.htm", "s");
    site.write("private/deeper/secret2.htm", "s");
    site.write("Other/x.htm", "x");
    site.write("drop.htm", "d");
    settings.profile.NoIncFileList = {siteRoot() + "private/", siteRoot() + "drop.htm",
                                      siteRoot() + "other/"};
    runOver(site.str());
    // The comparison is case-sensitive, so "other/" does not exclude "Other".
    EXPECT_EQ(view.pages(), (std::vector<std::string>{siteRoot() + "keep.htm", siteRoot() + "Other/x.htm"}));
}

TEST_F(FolderJob, ExcludingTheJobFolderItselfGivesAnEmptyIndex) {
    site.write("a.htm", "a");
    settings.profile.NoIncFileList = {siteRoot()};
    runOver(site.str());
    EXPECT_TRUE(view.rows().empty());
    EXPECT_EQ(dataFile(), "arrFiles=new Array();fileNum=0;");
    EXPECT_EQ(view.status(), "Finish");
}

TEST_F(FolderJob, EmptyFolderMakesAnEmptyIndex) {
    runOver(site.str());
    EXPECT_EQ(dataFile(), "arrFiles=new Array();fileNum=0;");
    EXPECT_TRUE(view.messages().empty());
    EXPECT_FALSE(fs::exists(PendingIndexDataPath(paths.indexDataPath)));
}

TEST_F(FolderJob, AFolderThatCannotBeWalkedLeavesThePreviousIndex) {
    site.write("a.htm", "<title>A</title>");
    runOver(site.str());
    const std::string previous = dataFile();
    site.write("plain.htm", "a file, not a folder");
    fs::create_directory(site.str("sealed"));
    fs::permissions(site.str("sealed"), fs::perms::none);
    const bool rootReadsAnything = ::access(site.str("sealed").c_str(), R_OK) == 0;
    for (const std::string& target : {site.str("missing"), site.str("plain.htm"), site.str("sealed")}) {
        if (target.ends_with("sealed") && rootReadsAnything)
            continue; // root lists any folder
        RunControl run(paths, settings, view);
        EXPECT_FALSE(run.IndexFolder(target)) << target;
        EXPECT_EQ(view.messages().back(), "The path " + target + "/ is not exist!");
        EXPECT_EQ(dataFile(), previous);
        EXPECT_EQ(view.clears(), 1) << "nothing is touched, the page list included";
        EXPECT_TRUE(run.idle());
    }
    fs::permissions(site.str("sealed"), fs::perms::owner_all);
}

TEST_F(FolderJob, UnreadableFileIsAFailureWithARecord) {
    site.write("a.htm", "<title>A</title>");
    fs::create_symlink(site.str("nowhere.htm"), site.str("broken.htm"));
    runOver(site.str());
    const auto rows = view.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].status, "Indexed");
    EXPECT_EQ(rows[1].status, "Failure");
    EXPECT_EQ(rows[1].image, PageImages::Failure);
    EXPECT_NE(dataFile().find("arrFiles[1]=new Array(\"broken.htm\",\"NO TITLE\",\"\",\"\",\"\",\"\");"),
              std::string::npos);
    EXPECT_EQ(records, 2);
}

TEST_F(FolderJob, PipesAreFailuresNotEndlessReads) {
    site.write("a.htm", "a");
    ASSERT_EQ(::mkfifo(site.str("pipe.htm").c_str(), 0600), 0);
    runOver(site.str());
    const auto rows = view.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].status, "Indexed");
    EXPECT_EQ(rows[1].status, "Failure");
}

TEST_F(FolderJob, LinkLoopsAndSecondLinksToAFolderAreWalkedOnce) {
    site.write("docs/a.htm", "a");
    site.write("real.htm", "r");
    fs::create_directory_symlink("..", site.str("docs/up"));           // a loop back to the root
    fs::create_directory_symlink(site.str("docs"), site.str("zlink")); // a second path to docs
    fs::create_symlink(site.str("real.htm"), site.str("alias.htm"));   // a file reached through a link
    runOver(site.str());
    const std::string r = siteRoot();
    EXPECT_EQ(view.pages(), (std::vector<std::string>{r + "alias.htm", r + "real.htm", r + "docs/a.htm"}));
}

TEST_F(FolderJob, LinksLeadingOutOfTheJobFolderAreNotFollowed) {
    testsupport::TempDir outside;
    outside.write("secret.htm", "s");
    outside.write("home/private.htm", "p");
    site.write("a.htm", "a");
    site.write("docs/b.htm", "b");
    fs::create_symlink(outside.str("secret.htm"), site.str("leak.htm"));
    fs::create_symlink("/etc/passwd", site.str("passwd.txt"));
    fs::create_directory_symlink(outside.str("home"), site.str("home"));
    fs::create_symlink("../../" + outside.path().filename().string() + "/secret.htm",
                       site.str("docs/rel.htm"));
    fs::create_symlink(site.str("docs/b.htm"), site.str("alias.htm"));
    // The job's folder itself may be reached through a link; what lies in its target is inside.
    fs::create_directory_symlink(site.path(), outside.str("site"));
    runOver(outside.str("site"));
    const std::string r = outside.str("site/");
    EXPECT_EQ(view.pages(), (std::vector<std::string>{r + "a.htm", r + "alias.htm", r + "docs/b.htm"}));
}

TEST_F(FolderJob, HostileFileNamesStayValidScript) {
    const std::vector<std::string> names = {"with space.htm", "quote\".htm", "back\\slash.htm",
                                            "new\nline.htm", "cr\rreturn.htm"};
    for (const auto& name : names)
        site.write(name, "<title>" + name + "</title>body \\ text \\u12 \\x");
    runOver(site.str());
    ASSERT_EQ(records, 5);
    const auto json = testsupport::indexDataAsJson(paths.indexDataPath);
    if (!json)
        GTEST_SKIP() << "node is not installed";
    // Links read back as the names on disk, with backslashes turned into slashes.
    EXPECT_NE(json->find("\"new\\nline.htm\""), std::string::npos) << *json;
    EXPECT_NE(json->find("\"cr\\rreturn.htm\""), std::string::npos) << *json;
    EXPECT_NE(json->find("\"quote\\\".htm\""), std::string::npos) << *json;
    EXPECT_NE(json->find("\"back/slash.htm\""), std::string::npos) << *json;
    EXPECT_NE(json->find("body \\\\ text \\\\u12 \\\\x"), std::string::npos) << *json;
    EXPECT_EQ(json->substr(0, 3), "[5,");
}

TEST_F(FolderJob, FullDiskShowsFailuresAndKeepsThePreviousIndex) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    site.write("a.htm", "a");
    site.write("b.htm", "b");
    runOver(site.str());
    const std::string previous = dataFile();
    // Go writes the header of the new data file; then the disk fills up.
    const std::string pending = PendingIndexDataPath(paths.indexDataPath);
    view.onInsert = [&](int row) {
        if (row == 0) {
            fs::remove(pending);
            fs::create_symlink("/dev/full", pending);
        }
    };
    runOver(site.str());
    EXPECT_EQ(dataFile(), previous) << "the previous index survives";
    ASSERT_EQ(view.rows().size(), 2u);
    for (const auto& row : view.rows())
        EXPECT_EQ(row.status, "Failure") << row.page;
    EXPECT_EQ(view.messages(),
              (std::vector<std::string>{"Write to the index data file " + paths.indexDataPath +
                                        " failure!\nPlease check the disk and retry again."}));
}

TEST_F(FolderJob, HeaderThatCannotBeWrittenIsReported) {
    site.write("a.htm", "a");
    paths.indexDataPath = site.str("no-such-folder/IndexData.dat");
    runOver(site.str());
    const std::string message = "Write to the index data file " + paths.indexDataPath +
                                " failure!\nPlease check the disk and retry again.";
    EXPECT_EQ(view.messages(), (std::vector<std::string>{message, message}));
    ASSERT_EQ(view.rows().size(), 1u);
    EXPECT_EQ(view.rows()[0].status, "Failure");
    EXPECT_EQ(view.status(), "Finish");
}

TEST_F(FolderJob, StopFinishesTheFileInHandAndWritesTheTrailer) {
    for (int i = 0; i < 20; ++i)
        site.write("p" + std::to_string(100 + i) + ".htm", "page");
    RunControl run(paths, settings, view);
    std::promise<void> thirdRowShown;
    std::promise<void> stopped;
    std::shared_future<void> stoppedFuture = stopped.get_future().share();
    view.onInsert = [&](int row) {
        if (row == 2) {
            thirdRowShown.set_value();
            stoppedFuture.wait(); // the job is inside its third file while Stop is pressed
        }
    };
    ASSERT_TRUE(run.IndexFolder(site.str()));
    EXPECT_TRUE(view.stopEnabled());
    EXPECT_FALSE(view.goEnabled());
    thirdRowShown.get_future().wait();
    run.Stop();
    EXPECT_FALSE(view.stopEnabled());
    EXPECT_TRUE(view.goEnabled());
    EXPECT_EQ(view.status(), "Process...");
    EXPECT_FALSE(run.idle());
    stopped.set_value();
    run.waitForJob();

    EXPECT_TRUE(run.idle());
    EXPECT_EQ(view.status(), "Finish");
    ASSERT_EQ(view.rows().size(), 3u);
    EXPECT_EQ(view.rows()[2].status, "Indexed");
    EXPECT_EQ(run.lastRecordCount(), 3);
    const std::string data = dataFile();
    EXPECT_EQ(data.substr(data.size() - 10), "fileNum=3;");
    EXPECT_NE(data.find("arrFiles[2]="), std::string::npos);
    EXPECT_EQ(data.find("arrFiles[3]="), std::string::npos) << "a page read ahead of Stop was written";
}

// After Stop a large page is cut short instead of holding the job, while a small one is still done whole.
TEST(PageReadAhead, AfterStopLargePagesComeBackCutShort) {
    testsupport::TempDir dir;
    const std::string large = dir.write("large.htm", std::string(3 * PageStop::kChunkBytes, 'l'));
    const std::string small = dir.write("small.htm", "<title>S</title>");
    const std::atomic<int> stop{1};
    PageReadAhead pages(2, 4, 0, 0, stop);
    pages.queue(large, FileKinds::Html);
    pages.queue(small, FileKinds::Html);
    EXPECT_TRUE(pages.takeOldest().stopped);
    const ReadAheadPage page = pages.takeOldest();
    EXPECT_FALSE(page.stopped);
    EXPECT_TRUE(page.opened);
    EXPECT_EQ(page.fields.title, "S");
}

TEST_F(FolderJob, GoAfterStopWaitsForTheStoppingJob) {
    for (int i = 0; i < 10; ++i)
        site.write("p" + std::to_string(i) + ".htm", "page");
    RunControl run(paths, settings, view);
    std::promise<void> firstRowShown;
    std::atomic<bool> release{false};
    std::atomic<bool> firstRun{true};
    view.onInsert = [&](int row) {
        if (firstRun && row == 0) {
            firstRun = false;
            firstRowShown.set_value();
            while (!release)
                std::this_thread::yield();
        }
    };
    ASSERT_TRUE(run.IndexFolder(site.str()));
    firstRowShown.get_future().wait();
    run.Stop();
    auto releaser = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    ASSERT_TRUE(run.Go()); // waits until the stopped job has written its trailer
    run.waitForJob();
    const std::string data = dataFile();
    // The new run's file holds exactly one header and one trailer: nothing of the stopped run.
    EXPECT_EQ(data.find("arrFiles=new Array();"), 0u);
    EXPECT_EQ(data.find("arrFiles=new Array();", 1), std::string::npos);
    EXPECT_EQ(data.find("fileNum="), data.rfind("fileNum="));
    EXPECT_EQ(data.substr(data.size() - 11), "fileNum=10;");
    EXPECT_EQ(view.rows().size(), 10u);
}

TEST_F(FolderJob, AspModeFillsTheDatabaseAndWritesNoDataFile) {
    site.write("a.htm", "<title>A</title>");
    {
        std::ofstream old(paths.indexDataPath);
        old << "old run";
    }
    settings.profile.ScriptType = ScriptTypes::Asp;
    runOver(site.str());
    EXPECT_FALSE(fs::exists(paths.indexDataPath));
    ASSERT_EQ(view.rows().size(), 1u);
    EXPECT_EQ(view.rows()[0].status, "Indexed");
    EXPECT_TRUE(view.messages().empty());
}

TEST_F(FolderJob, GoDoesNotStartWithoutTheDatabase) {
    site.write("a.htm", "a");
    settings.profile.ScriptType = ScriptTypes::Asp;
    fs::remove(program.databasePath());
    {
        std::ofstream old(paths.indexDataPath);
        old << "previous index";
    }
    RunControl run(paths, settings, view);
    EXPECT_FALSE(run.IndexFolder(site.str()));
    ASSERT_EQ(view.messages().size(), 1u);
    EXPECT_EQ(view.messages()[0].rfind("Connect to database error!\nError info:", 0), 0u);
    EXPECT_EQ(view.clears(), 0);
    EXPECT_EQ(view.status(), "Ready");
    EXPECT_TRUE(run.idle());
    EXPECT_EQ(dataFile(), "previous index");
}

} // namespace
