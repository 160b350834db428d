#include <gtest/gtest.h>

#include <filesystem>

#include "app/Settings.h"
#include "store/IndexDataFile.h"
#include "store/IndexDatabase.h"
#include "store/RecordWriter.h"
#include "store/RunIndex.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

// Every record line reached the pending data file, but the disk filled before the trailer: the pending
// file is no index, and the previous one stays, a regular file exactly as it was.
TEST(RunIndex, ADataFileWithoutItsTrailerNeverReplacesTheIndex) {
    testsupport::ProgramFolder program;
    testsupport::RecordingMessages messages;
    const std::string path = program.indexDataPath();
    const std::string previous = "arrFiles=new Array();fileNum=0;";
    program.write("IndexData.dat", previous);
    ProfileSettings profile = ProfileSettings::defaults(program.folder());
    const IndexStores stores{.dataFile = true}; // a run of the browser's engine
    IndexDatabase database(program.databasePath(), messages);
    ASSERT_TRUE(database.ConnectDatabase(stores, profile.DatabaseType));
    ASSERT_TRUE(BeginRunIndex(stores, path, database));
    RecordWriter writer(profile, stores, path, database);
    ASSERT_TRUE(writer.write(0, program.str("a.htm"), program.str() + "/", PageFields{}));

    const std::string pending = PendingIndexDataPath(path);
    fs::remove(pending);
    fs::create_symlink("/dev/full", pending); // where every write fails for want of space
    const Result<> ended = EndRunIndex(stores, profile.DatabaseType, path, database, 1, writer.allWritten());
    EXPECT_FALSE(ended);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
    EXPECT_EQ(testsupport::readFile(path), previous);
    EXPECT_EQ(ended.reason(), IndexDataWriteFailure(path));
}
