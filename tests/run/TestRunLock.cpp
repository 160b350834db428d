#include <gtest/gtest.h>

#include <future>

#include "app/Settings.h"
#include "run/RunControl.h"
#include "store/IndexDataFile.h"
#include "tests/run/RecordingView.h"
#include "tests/support/TestSupport.h"

using testsupport::readFile;

// Two runs on one data folder, here from one process: the second is refused while the first is in
// progress and touches none of its files; the first's end, on its job's thread, lets the second in.
TEST(RunLock, ASecondRunOnTheDataFolderWaitsForTheFirstToEnd) {
    testsupport::ProgramFolder program;
    testsupport::TempDir site;
    testsupport::TempDir otherSite;
    site.write("a.htm", "<title>A</title>");
    site.write("b.htm", "<title>B</title>");
    otherSite.write("c.htm", "<title>C</title>");
    const AppPaths paths = AppPaths::forProgramFolder(program.folder());
    Settings settings;
    settings.profile = ProfileSettings::defaults(paths.programFolder);
    settings.profile.ScriptType = ScriptTypes::JavaScript;
    program.write("IndexData.dat", "arrFiles=new Array();fileNum=0;");

    std::promise<void> reached;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    RecordingView firstView;
    firstView.onInsert = [&reached, released](int row) {
        if (row == 0) {
            reached.set_value();
            released.wait();
        }
    };
    RunControl first(paths, settings, firstView);
    ASSERT_TRUE(first.IndexFolder(site.str()));
    reached.get_future().wait();
    const std::string pending = PendingIndexDataPath(paths.indexDataPath);
    const std::string pendingBefore = readFile(pending);

    RecordingView secondView;
    RunControl second(paths, settings, secondView);
    EXPECT_FALSE(second.IndexFolder(otherSite.str()));
    EXPECT_EQ(secondView.messages(), std::vector<std::string>{kIndexingNotFinished});
    EXPECT_EQ(readFile(pending), pendingBefore);
    EXPECT_EQ(readFile(paths.indexDataPath), "arrFiles=new Array();fileNum=0;");

    release.set_value();
    first.waitForJob();
    EXPECT_NE(readFile(paths.indexDataPath).find("\"B\""), std::string::npos);
    ASSERT_TRUE(second.Go());
    second.waitForJob();
    EXPECT_NE(readFile(paths.indexDataPath).find("\"C\""), std::string::npos);
    EXPECT_EQ(secondView.messages().size(), 1u);
}
