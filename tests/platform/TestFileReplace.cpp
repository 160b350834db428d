#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/FileReplace.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

// Both ways of replacing a file, so each case runs through each.
class FileReplaceTest : public ::testing::TestWithParam<bool> {
protected:
    bool replace(const fs::path& target) {
        if (!GetParam())
            return FileReplace::withText(target, "new");
        return FileReplace::withCopy(source.write("source.txt", "new"), target);
    }

    TempDir folder;
    TempDir source;
    TempDir elsewhere;
};

TEST_P(FileReplaceTest, ALinkAtTheNameIsReplacedAndItsTargetKept) {
    const std::string outside = elsewhere.write("private.txt", "keep");
    fs::create_symlink(outside, folder.path() / "page.html");
    ASSERT_TRUE(replace(folder.path() / "page.html"));
    EXPECT_EQ(readFile(outside), "keep");
    EXPECT_FALSE(fs::is_symlink(folder.path() / "page.html"));
    EXPECT_EQ(readFile(folder.path() / "page.html"), "new");
}

TEST_P(FileReplaceTest, WhatStandsAtTheTemporaryNameIsNeverWrittenInto) {
    const std::string outside = elsewhere.write("private.txt", "keep");
    const fs::path planted = folder.path() / (".page.html.tmp-" + std::to_string(::getpid()));
    fs::create_symlink(outside, planted);
    ASSERT_TRUE(replace(folder.path() / "page.html"));
    EXPECT_EQ(readFile(outside), "keep");
    EXPECT_TRUE(fs::is_symlink(planted)) << "what was not ours is left where it stood";
    EXPECT_EQ(readFile(folder.path() / "page.html"), "new");
}

INSTANTIATE_TEST_SUITE_P(TextAndCopy, FileReplaceTest, ::testing::Bool());

} // namespace
