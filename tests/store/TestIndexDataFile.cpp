#include <gtest/gtest.h>

#include <filesystem>

#include "store/IndexDataFile.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr IndexStores kDatabaseRun{.database = true};
constexpr IndexStores kDataFileRun{.dataFile = true};

TEST(TestIndexRecord, AppendToFileWritesOnlyInJavaScriptMode) {
    testsupport::TempDir dir;
    const std::string path = dir.str("IndexData.dat");
    EXPECT_TRUE(AppendToFile("abc", path, kDatabaseRun));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(AppendToFile("abc", path, kDataFileRun));
    EXPECT_TRUE(AppendToFile("def", path, kDataFileRun));
    EXPECT_EQ(testsupport::readFile(path), "abcdef");
}

TEST(TestIndexRecord, AppendToFileReportsAFullDiskAndAMissingFolder) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    EXPECT_FALSE(AppendToFile(std::string(100000, 'x'), "/dev/full", kDataFileRun));
    EXPECT_FALSE(AppendToFile("x", "/nonexistent-folder/IndexData.dat", kDataFileRun));
}

} // namespace
