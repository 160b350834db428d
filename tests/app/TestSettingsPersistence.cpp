#include <gtest/gtest.h>

#include <fstream>

#include "app/AppPaths.h"
#include "app/FindlarkApp.h"
#include "app/OptionProfiles.h"
#include "app/Settings.h"
#include "app/SettingsPersistence.h"
#include "platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

using namespace SettingsPersistence;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    std::unique_ptr<SettingsStore> openStore() { return SettingsStore::atFile(dir.str("findlark.conf")); }
    Settings load() {
        Settings settings;
        LoadSettings(settings, *openStore(), "/opt/fl");
        return settings;
    }
    void writeIni(const std::string& text) { dir.write("findlark.conf", text); }

    testsupport::TempDir dir;
};

TEST(TestAppPaths, PathsComeFromTheProgramFolder) {
    const AppPaths paths = AppPaths::forProgramFolder(AppPaths::programFolderOf("/opt/tools/findlark"));
    EXPECT_EQ(paths.programFolder, "/opt/tools");
    EXPECT_EQ(paths.templateFolder, "/opt/tools/Template");
    EXPECT_EQ(paths.indexDataPath, "/opt/tools/IndexData.dat");
    // An executable at the root has an empty program folder and its files directly under "/".
    EXPECT_EQ(AppPaths::forProgramFolder(AppPaths::programFolderOf("/findlark")).indexDataPath,
              "/IndexData.dat");
}

TEST(TestAppPaths, AProgramFolderThatCannotBeWrittenSendsWritesToTheDataFolder) {
    const testsupport::TempDir program;
    const testsupport::TempDir home;
    EXPECT_EQ(AppPaths::choose(program.str(), home.str("data")).dataFolder, program.str());

    const AppPaths paths = AppPaths::choose(program.str("not-there"), home.str("data"));
    EXPECT_EQ(paths.indexDataPath, home.str("data") + "/IndexData.dat");
    EXPECT_EQ(paths.databasePath, home.str("data") + "/IndexData.mdb");
    EXPECT_EQ(paths.urlHistoryPath, home.str("data") + "/Urls.log");
    EXPECT_EQ(paths.templateFolder, home.str("data") + "/Template");
    EXPECT_EQ(paths.defaultOutputFolder(), home.str("data") + "/Output/");

    // First use copies the empty database and the built-in templates; a template the user has edited
    // there is never overwritten.
    program.write("not-there/IndexData.mdb", "empty database");
    program.write("not-there/Template/Simple/search.html", "built in");
    program.write("not-there/Template/Advanced/search.html", "built in");
    home.write("data/Template/Simple/search.html", "edited");
    const Result<> prepared = paths.prepareDataFolder();
    ASSERT_TRUE(prepared) << prepared.reason();
    EXPECT_EQ(testsupport::readFile(paths.databasePath), "empty database");
    EXPECT_EQ(testsupport::readFile(paths.templateFolder + "/Simple/search.html"), "edited");
    EXPECT_EQ(testsupport::readFile(paths.templateFolder + "/Advanced/search.html"), "built in");
    EXPECT_TRUE(std::filesystem::is_directory(paths.defaultOutputFolder()));

    home.write("blocked", "a file where the data folder should be");
    const Result<> blocked = AppPaths::forFolders(program.str(), home.str("blocked")).prepareDataFolder();
    EXPECT_FALSE(blocked);
    EXPECT_NE(blocked.reason().find(home.str("blocked")), std::string::npos);
}

TEST_F(SettingsFile, FreshStoreGivesOneDefaultProfileAndExitWritesEverything) {
    CFindlarkApp app;
    const testsupport::TempDir program;
    app.InitInstance(program.str(), openStore());
    const Settings& s = app.settings;
    EXPECT_EQ(s.profileNames, std::vector<std::string>{"YourSiteName1"});
    EXPECT_EQ(s.CurOption, 1);
    EXPECT_EQ(s.OptionsNum, 1);
    EXPECT_EQ(s.profile.HtmlFileType, "htm,html,shtm,shtml,asp,php,php3");
    EXPECT_EQ(s.profile.TextFileType, "txt,rtf,c,h,cpp");
    EXPECT_EQ(s.profile.UseThreadNum, 3);
    EXPECT_EQ(s.profile.SelTemplateName, "Simple-ASP");
    EXPECT_EQ(s.profile.OutputPath, program.str() + "/Output/");
    EXPECT_EQ(s.profile.ScriptType, 1);
    EXPECT_EQ(s.RunSearchURL, "http://localhost/search/search.html");
    EXPECT_EQ(s.profile.ReplaceURL, "https://www.example.com/");
    app.ExitInstance();

    auto store = openStore();
    EXPECT_EQ(store->getInt("Settings", "OptionsNum", -1), 1);
    EXPECT_EQ(store->getString("Option1", "OptionName", ""), "YourSiteName1");
    EXPECT_EQ(store->getInt("Option1", "ResultTitleColor", -1), 16711680);
    EXPECT_EQ(store->getString("Option1", "HtmlFileType", ""), "htm,html,shtm,shtml,asp,php,php3");
    EXPECT_TRUE(store->contains("Customize", "RunSearchURL"));
    EXPECT_FALSE(store->contains("Settings", "IndexColon")); // read, never written
}

TEST_F(SettingsFile, EverySettingSurvivesASaveAndLoad) {
    Settings s = load();
    s.profile.ReplaceURL = "http://a, b/";
    s.profile.OutputPath = "/out put/";
    s.profile.ResultTitleFace = "Times %d \"New\"";
    s.profile.NoIncFileList = {"/x/", "/y z.htm", ""};
    s.profile.HitTextColor = 0x123456;
    s.profile.ScriptType = 0;
    s.AddFolderInitPath = "/site/";
    {
        auto store = openStore();
        SaveSettings(s, *store);
    }
    const Settings back = load();
    EXPECT_EQ(back.profile.ReplaceURL, "http://a, b/");
    EXPECT_EQ(back.profile.OutputPath, "/out put/");
    EXPECT_EQ(back.profile.ResultTitleFace, "Times %d \"New\"");
    EXPECT_EQ(back.profile.NoIncFileList, s.profile.NoIncFileList);
    EXPECT_EQ(back.profile.HitTextColor, 0x123456);
    EXPECT_EQ(back.profile.ScriptType, 0);
    EXPECT_EQ(back.AddFolderInitPath, "/site/");
}

TEST_F(SettingsFile, ReplaceUrlGetsItsFinalSlashOnLoad) {
    for (const auto& [stored, loaded] : std::vector<std::pair<std::string, std::string>>{
             {"http://h/site", "http://h/site/"}, {"http://h/site\\\\", "http://h/site\\"}, {"\"\"", ""}}) {
        writeIni("[Option1]\nReplaceURL=" + stored + "\n");
        EXPECT_EQ(load().profile.ReplaceURL, loaded) << stored;
    }
}

TEST_F(SettingsFile, ShortenedExclusionListKeepsOldEntriesUnread) {
    Settings s = load();
    s.profile.NoIncFileList = {"a", "b", "c", "d", "e"};
    auto store = openStore();
    SaveSettings(s, *store);
    s.profile.NoIncFileList = {"a", "b"};
    SaveSettings(s, *store);
    EXPECT_EQ(store->getInt("Option1", "NoIncFileListItemNum", -1), 2);
    EXPECT_EQ(store->getString("Option1", "NoIncFileListItem4", ""), "e");
    EXPECT_EQ(load().profile.NoIncFileList, (std::vector<std::string>{"a", "b"}));
}

TEST_F(SettingsFile, WrongTypesAndNegativeOrHugeCountsReadAsDefaults) {
    writeIni("[Settings]\nOptionsNum=-4\nCurOption=abc\n"
             "[Option1]\nUseThreadNum=many\nNoIncFileListItemNum=-2\nResultTextSize=2.5\nScriptType= 0 \n");
    Settings s = load();
    EXPECT_TRUE(s.profileNames.empty()); // no names, but the current profile still loads
    EXPECT_EQ(s.OptionsNum, 0);
    EXPECT_EQ(s.CurOption, 1);
    EXPECT_EQ(s.profile.UseThreadNum, 3);
    EXPECT_TRUE(s.profile.NoIncFileList.empty());
    EXPECT_EQ(s.profile.ResultTextSize, 2);
    EXPECT_EQ(s.profile.ScriptType, 0);

    writeIni("[Settings]\nOptionsNum=2000000000\n[Option1]\nNoIncFileListItemNum=2000000000\n");
    s = load();
    EXPECT_EQ(s.profileNames.size(), static_cast<size_t>(kMaxProfiles));
    EXPECT_EQ(s.profile.NoIncFileList.size(), static_cast<size_t>(kMaxExclusionEntries));
}

TEST_F(SettingsFile, CrawlLimitsOutsideTheirRangeReadAsTheNearestBound) {
    writeIni("[Option1]\nUseThreadNum=0\nFetchTimeLimit=2000000000\nMaxPageSize=-1\nMaxUrlLength=9\n");
    Settings s = load();
    EXPECT_EQ(s.profile.UseThreadNum, 1);
    EXPECT_EQ(s.profile.FetchTimeLimit, 3600);
    EXPECT_EQ(s.profile.MaxPageSize, 16);
    EXPECT_EQ(s.profile.MaxUrlLength, 64);
    EXPECT_EQ(s.profile.MaxPageCount, 100000); // missing: the default
    writeIni("[Option1]\nUseThreadNum=100000\nMaxPageCount=0\n");
    s = load();
    EXPECT_EQ(s.profile.UseThreadNum, 20);
    EXPECT_EQ(s.profile.MaxPageCount, 1);
}

TEST_F(SettingsFile, CurrentProfileWithoutASectionIsAllDefaults) {
    writeIni("[Settings]\nOptionsNum=1\nCurOption=3\n[Option1]\nUseThreadNum=9\n");
    Settings s = load();
    EXPECT_EQ(s.profile.UseThreadNum, 3);
    auto store = openStore();
    SaveSettings(s, *store);
    EXPECT_EQ(store->getInt("Option3", "UseThreadNum", -1), 3);
    EXPECT_EQ(store->getInt("Option1", "UseThreadNum", -1), 9);
}

TEST_F(SettingsFile, ProfilesAreCreatedRenamedAndSwitched) {
    Settings s = load();
    auto store = openStore();
    testsupport::RecordingMessages messages;
    s.profile.UseThreadNum = 7;
    EXPECT_EQ(OptionProfiles::proposedName(s), "YourSiteName2");
    EXPECT_TRUE(
        OptionProfiles::createProfile(s, "yoursitename1", *store, messages)); // case differs: accepted
    EXPECT_EQ(s.CurOption, 2);
    EXPECT_EQ(s.OptionsNum, 2);
    EXPECT_FALSE(OptionProfiles::createProfile(s, "YourSiteName1", *store, messages));
    EXPECT_FALSE(OptionProfiles::createProfile(s, "", *store, messages));
    EXPECT_EQ(messages.messages(),
              std::vector<std::string>{"This name already exist!\nPlease try another name."});
    EXPECT_EQ(store->getInt("Option2", "UseThreadNum", -1),
              7); // the new profile copies the settings in memory

    EXPECT_FALSE(OptionProfiles::renameProfile(s, 2, "YourSiteName1", messages));
    EXPECT_TRUE(OptionProfiles::renameProfile(s, 2, "Shop", messages));
    EXPECT_EQ(s.profileNames[1], "Shop");
    EXPECT_EQ(store->getString("Option2", "OptionName", ""), "yoursitename1"); // saved only later

    s.profile.UseThreadNum = 1; // unsaved, dropped by the switch
    OptionProfiles::makeCurrent(s, 1, *store, "/opt/fl");
    EXPECT_EQ(s.CurOption, 1);
    EXPECT_EQ(s.profile.UseThreadNum, 3);
    EXPECT_EQ(s.profileNames[1], "Shop");
}

} // namespace
