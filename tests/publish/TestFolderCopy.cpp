#include <filesystem>

#include <gtest/gtest.h>

#include "publish/FolderCopy.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

class FolderCopyTest : public ::testing::Test {
protected:
    FolderCopyTest() {
        source.write("a.html", "A");
        source.write("sub/b.txt", "B");
        source.write("sub/deeper/c.txt", "C");
    }
    TempDir source;
    TempDir target;
};

TEST_F(FolderCopyTest, CopiesFilesAndFoldersReplacingOldFiles) {
    target.write("a.html", "old and longer");
    target.write("keep.txt", "K");
    EXPECT_TRUE(FolderCopy::copyContents(source.path(), target.path()));
    EXPECT_EQ(readFile(target.path() / "a.html"), "A");
    EXPECT_EQ(readFile(target.path() / "sub/b.txt"), "B");
    EXPECT_EQ(readFile(target.path() / "sub/deeper/c.txt"), "C");
    EXPECT_EQ(readFile(target.path() / "keep.txt"), "K");
    EXPECT_FALSE(fs::exists(target.path() / fs::path(source.path()).filename()));
}

TEST_F(FolderCopyTest, FollowsLinksInsideTheSourceOnlyAndNeverLoops) {
    TempDir outside;
    outside.write("private.txt", "secret");
    fs::create_directory_symlink(outside.path(), source.path() / "shared");
    fs::create_symlink(outside.path() / "private.txt", source.path() / "leak.txt");
    fs::create_symlink("../../" + outside.path().filename().string(), source.path() / "sub/relative");
    fs::create_symlink(source.path() / "a.html", source.path() / "alias.html");
    fs::create_directory_symlink(source.path() / "sub/deeper", source.path() / "deep");
    fs::create_directory_symlink(source.path(), source.path() / "sub/up");
    fs::create_directory_symlink(source.path() / "sub", source.path() / "sub/deeper/back");

    EXPECT_TRUE(FolderCopy::copyContents(source.path(), target.path()));
    for (const char* left : {"shared", "leak.txt", "sub/relative"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(target.path() / left))) << left;
    EXPECT_EQ(readFile(target.path() / "deep/c.txt"), "C");
    EXPECT_EQ(readFile(target.path() / "alias.html"), "A");
    EXPECT_FALSE(fs::is_symlink(target.path() / "alias.html"));
    EXPECT_FALSE(fs::exists(target.path() / "sub/up"));
    EXPECT_FALSE(fs::exists(target.path() / "sub/deeper/back"));
}

TEST_F(FolderCopyTest, LinksInTheDestinationAreReplacedNeverWrittenThrough) {
    TempDir elsewhere;
    elsewhere.write("a.html", "not to be touched");
    fs::create_symlink(elsewhere.path() / "a.html", target.path() / "a.html");
    fs::create_directory_symlink(elsewhere.path(), target.path() / "sub");
    EXPECT_TRUE(FolderCopy::copyContents(source.path(), target.path()));
    EXPECT_EQ(readFile(elsewhere.path() / "a.html"), "not to be touched");
    EXPECT_FALSE(fs::exists(elsewhere.path() / "b.txt"));
    EXPECT_FALSE(fs::is_symlink(target.path() / "a.html"));
    EXPECT_FALSE(fs::is_symlink(target.path() / "sub"));
    EXPECT_EQ(readFile(target.path() / "a.html"), "A");
    EXPECT_EQ(readFile(target.path() / "sub/b.txt"), "B");
}

TEST_F(FolderCopyTest, DestinationInsideTheSourceIsNotCopiedIntoItself) {
    const fs::path inside = source.path() / "out";
    fs::create_directory(inside);
    EXPECT_TRUE(FolderCopy::copyContents(source.path(), inside));
    EXPECT_EQ(readFile(inside / "sub/deeper/c.txt"), "C");
    EXPECT_FALSE(fs::exists(inside / "out"));
}

TEST_F(FolderCopyTest, SourceAsItsOwnDestinationLeavesTheFilesIntact) {
    EXPECT_TRUE(FolderCopy::copyContents(source.path(), source.path()));
    EXPECT_EQ(readFile(source.path() / "a.html"), "A");
    EXPECT_EQ(readFile(source.path() / "sub/b.txt"), "B");
}

TEST_F(FolderCopyTest, ReportsWhatCouldNotBeCopiedAndCopiesTheRest) {
    fs::create_symlink(source.path() / "gone.html", source.path() / "dangling.html");
    EXPECT_FALSE(FolderCopy::copyContents(source.path(), target.path()));
    EXPECT_EQ(readFile(target.path() / "sub/deeper/c.txt"), "C");

    TempDir blocked;
    blocked.write("sub", "a file where a folder belongs");
    EXPECT_FALSE(FolderCopy::copyContents(source.path(), blocked.path()));
    EXPECT_EQ(readFile(blocked.path() / "a.html"), "A");

    EXPECT_FALSE(FolderCopy::copyContents(source.path() / "missing", target.path()));
}

} // namespace
