#include <filesystem>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "GeneratorFixture.h"
#include "app/AppPaths.h"
#include "publish/TemplateStore.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::RecordingMessages;
using testsupport::TempDir;
using Messages = std::vector<std::string>;

namespace {

class TemplateStoreTest : public ::testing::Test {
protected:
    TemplateStoreTest() {
        templates.write("Simple/search.html", "search");
        templates.write("Simple/result.html", "before<%CONTENT%>after");
        templates.write("Simple/images/logo.svg", "<svg/>");
    }
    std::string folder() const { return templates.str(); }
    TempDir templates;
    RecordingMessages messages;
};

TEST_F(TemplateStoreTest, ListsFoldersOnlyInNameOrder) {
    templates.write("advanced/search.html", "");
    templates.write("Menubar/search.html", "");
    templates.write("B-plain.html", "a file, not a template");
    fs::create_directory(templates.path() / "_extra");
    EXPECT_EQ(TemplateStore::ListTemplates(folder()),
              (std::vector<std::string>{"_extra", "advanced", "Menubar", "Simple"}));
    EXPECT_TRUE(TemplateStore::ListTemplates(templates.str("missing")).empty());
}

TEST_F(TemplateStoreTest, AddCopiesSimpleUnderTheNewName) {
    EXPECT_TRUE(TemplateStore::AddTemplate(folder(), "Mine", messages));
    EXPECT_EQ(readFile(templates.path() / "Mine/result.html"), "before<%CONTENT%>after");
    EXPECT_EQ(readFile(templates.path() / "Mine/images/logo.svg"), "<svg/>");
    EXPECT_TRUE(messages.messages().empty());
}

// An installed copy: the program folder cannot be written, so a new template goes to the user's data folder,
// copied from the built-in "Simple" that first use put there.
TEST_F(TemplateStoreTest, AnInstalledCopyAddsTemplatesInTheDataFolder) {
    const TempDir home;
    const AppPaths paths = AppPaths::choose(templates.str("no-such-program-folder"), home.str("data"));
    templates.write("no-such-program-folder/Template/Simple/search.html", "built in");
    templates.write("no-such-program-folder/Template/Simple/result.html", "<%CONTENT%>");
    const Result<> prepared = paths.prepareDataFolder();
    ASSERT_TRUE(prepared) << prepared.reason();
    EXPECT_TRUE(TemplateStore::AddTemplate(paths.templateFolder, "Mine", messages));
    EXPECT_EQ(readFile(home.path() / "data/Template/Mine/search.html"), "built in");
    EXPECT_FALSE(fs::exists(templates.path() / "no-such-program-folder/Template/Mine"));
}

TEST_F(TemplateStoreTest, AddRefusesTakenAndInvalidNamesWithoutWritingAnything) {
    templates.write("notes.txt", "x");
    fs::create_symlink(templates.path() / "nowhere", templates.path() / "dangling");
    for (const std::string name : {"Simple", "notes.txt", "dangling", ""})
        EXPECT_FALSE(TemplateStore::AddTemplate(folder(), name, messages)) << name;
    const std::string withNul("a\0b", 3);
    for (const std::string& name :
         {std::string("."), std::string(".."), std::string("../escape"), std::string("a/b"), withNul})
        EXPECT_FALSE(TemplateStore::AddTemplate(folder(), name, messages)) << name;

    EXPECT_EQ(
        messages.messages(),
        (Messages{"The template name 'Simple' already exist!", "The template name 'notes.txt' already exist!",
                  "The template name 'dangling' already exist!", "The template name '' already exist!",
                  "The template name '.' is not a valid folder name!",
                  "The template name '..' is not a valid folder name!",
                  "The template name '../escape' is not a valid folder name!",
                  "The template name 'a/b' is not a valid folder name!",
                  "The template name '" + withNul + "' is not a valid folder name!"}));
    EXPECT_FALSE(fs::exists(templates.path().parent_path() / "escape"));
    EXPECT_FALSE(fs::exists(templates.path() / "a"));
    EXPECT_EQ(TemplateStore::ListTemplates(folder()), (std::vector<std::string>{"Simple"}));
}

TEST_F(TemplateStoreTest, DeleteRemovesTheFolderButNeverWhatALinkPointsTo) {
    TempDir outside;
    outside.write("keep.html", "keep");
    TemplateStore::AddTemplate(folder(), "Mine", messages);
    fs::create_directory_symlink(outside.path(), templates.path() / "Mine/shared");
    fs::create_directory_symlink(outside.path(), templates.path() / "Linked");

    EXPECT_TRUE(TemplateStore::DeleteTemplate(folder(), "Mine", messages));
    EXPECT_TRUE(TemplateStore::DeleteTemplate(folder(), "Linked", messages));
    EXPECT_FALSE(fs::exists(fs::symlink_status(templates.path() / "Mine")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(templates.path() / "Linked")));
    EXPECT_EQ(readFile(outside.path() / "keep.html"), "keep");
    EXPECT_FALSE(TemplateStore::DeleteTemplate(folder(), "..", messages));
    EXPECT_TRUE(fs::exists(templates.path() / "Simple/search.html"));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(TemplateStoreTest, DeleteThatCannotRemoveReportsTheErrorNumber) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root removes files from a read-only folder";
    templates.write("Locked/inner/page.html", "x");
    fs::permissions(templates.path() / "Locked/inner", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(TemplateStore::DeleteTemplate(folder(), "Locked", messages));
    fs::permissions(templates.path() / "Locked/inner", fs::perms::owner_all);
    EXPECT_EQ(messages.messages(),
              (Messages{"Remove directory failure! Error ID: " + std::to_string(ENOTEMPTY)}));
}

TEST_F(TemplateStoreTest, FilePathsFollowThePageChoice) {
    EXPECT_EQ(TemplateStore::TemplateFilePath("/t", "Simple", 0), "/t/Simple/search.html");
    EXPECT_EQ(TemplateStore::TemplateFilePath("/t", "Simple", 1), "/t/Simple/result.html");
    EXPECT_EQ(TemplateStore::TemplateFilePath("/t", "Simple", 2), "/t/Simple/FrameSearch.html");
}

class TemplateDeleteThenMake : public generatortest::GeneratorFixture {};

TEST_F(TemplateDeleteThenMake, TheGeneratorReportsTheDeletedSelection) {
    EXPECT_TRUE(TemplateStore::DeleteTemplate(paths.templateFolder, "Mine", messages));
    EXPECT_FALSE(generate());
    EXPECT_EQ(messageList(), "[Current selected template file is not existed!\nPlease open 'Options' dialog "
                             "and select 'Template' to select another template name to continue.]");
}

} // namespace
