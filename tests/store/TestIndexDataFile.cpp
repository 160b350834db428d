#include <gtest/gtest.h>

#include <filesystem>

#include "app/Settings.h"
#include "store/IndexDataFile.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(TestIndexRecord, AppendToFileWritesOnlyInJavaScriptMode) {
    testsupport::TempDir dir;
    const std::string path = dir.str("IndexData.dat");
    EXPECT_TRUE(AppendToFile("abc", path, ScriptTypes::Asp));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(AppendToFile("abc", path, ScriptTypes::JavaScript));
    EXPECT_TRUE(AppendToFile("def", path, ScriptTypes::JavaScript));
    EXPECT_EQ(testsupport::readFile(path), "abcdef");
}

TEST(TestIndexRecord, AppendToFileReportsAFullDiskAndAMissingFolder) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    EXPECT_FALSE(AppendToFile(std::string(100000, 'x'), "/dev/full", ScriptTypes::JavaScript));
    EXPECT_FALSE(AppendToFile("x", "/nonexistent-folder/IndexData.dat", ScriptTypes::JavaScript));
}

} // namespace
