#include "app/Settings.h"
#include "platform/Database.h"
#include "store/IndexDatabase.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <set>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ProgramFolder;
using testsupport::RecordingMessages;
using testsupport::TempDir;

namespace {

// What runs of the three engines write.
constexpr IndexStores kAsp{.database = true, .wordIndex = true};
constexpr IndexStores kJavaScript{.dataFile = true};
constexpr IndexStores kPhp{.database = true, .wordIndex = true};
constexpr int kAccess = 0;

// ID, FileName, Title, Text, Keywords, Description, LinkDescription; NULL as nullopt.
using Row = testsupport::DbRow;
using testsupport::queryRows;

sqlite3* openDirect(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

std::vector<Row> storedRows(const std::string& path) {
    return queryRows(path, "SELECT ID, FileName, Title, Text, Keywords, Description, LinkDescription "
                           "FROM IndexData ORDER BY rowid");
}

std::string cell(const std::string& path, const std::string& sql) {
    const auto rows = queryRows(path, sql, SQLITE_OPEN_READWRITE);
    return rows.empty() || rows[0].empty() || !rows[0][0] ? "" : *rows[0][0];
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string fileName(const std::string& run, int number) {
    return "docs/" + run + "/page" + std::to_string(number) + ".htm";
}

void addPages(IndexDatabase& database, const std::string& run, int count) {
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(database.AddRecord(i, fileName(run, i), "Title " + std::to_string(i), "text of the page",
                                       "k1,k2", "description", ""));
}

// True when the table holds the first pages of a run, in order, and nothing else.
bool holdsPrefixOfRun(const std::vector<Row>& rows, const std::string& run) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i][0] != std::to_string(i) || rows[i][1] != fileName(run, static_cast<int>(i)))
            return false;
    }
    return true;
}

class IndexDatabaseTest : public ::testing::Test {
protected:
    bool startRun(IndexDatabase& db) { return db.ConnectDatabase(kAsp, kAccess) && db.DeleteAllRecords(); }
    void runOf(const std::string& run, int count) {
        IndexDatabase db(folder.databasePath(), messages);
        ASSERT_TRUE(startRun(db));
        addPages(db, run, count);
        ASSERT_TRUE(db.CloseDatabase(kAccess));
    }
    std::vector<Row> rows() const { return storedRows(folder.databasePath()); }

    ProgramFolder folder;
    RecordingMessages messages;
    IndexDatabase database{folder.databasePath(), messages};
};

} // namespace

TEST_F(IndexDatabaseTest, StoresOneRowPerRecordInColumnOrder) {
    ASSERT_TRUE(startRun(database));
    EXPECT_TRUE(database.AddRecord(0, "docs/a.htm", "A", "text of a", "k1,k2", "d", "ld"));
    EXPECT_TRUE(
        database.AddRecord(1, "docs/b.htm", "B \\\"quoted\\\"", "x'); DROP TABLE IndexData; --", "", "", ""));
    EXPECT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_EQ(rows(), (std::vector<Row>{
                          {"0", "docs/a.htm", "A", "text of a", "k1,k2", "d", "ld"},
                          {"1", "docs/b.htm", "B \\\"quoted\\\"", "x'); DROP TABLE IndexData; --",
                           std::nullopt, std::nullopt, std::nullopt},
                      }));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(IndexDatabaseTest, ShortColumnsAreCutTo254BytesAtACharacterBoundary) {
    const std::string e = "\xc3\xa9";             // two bytes
    const std::string euro = "\xe2\x82\xac";      // three bytes
    const std::string smile = "\xf0\x9f\x98\x80"; // four bytes
    struct Case {
        std::string input;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {std::string(254, 'a'), std::string(254, 'a')},
        {std::string(255, 'b'), std::string(254, 'b')},
        {std::string(10000, 'c'), std::string(254, 'c')},
        {std::string(252, 'd') + e, std::string(252, 'd') + e}, // 254 bytes, ends on a whole character
        {std::string(253, 'e') + e, std::string(253, 'e')},     // é would straddle the limit
        {std::string(252, 'f') + euro, std::string(252, 'f')},  // € would straddle the limit
        {std::string(251, 'g') + smile + "tail", std::string(251, 'g')}, // the emoji would straddle it
        {std::string(250, 'h') + smile + "tail", std::string(250, 'h') + smile}, // the emoji ends at 254
        {std::string(300, '\x80'), std::string(254, '\x80')}, // not UTF-8: cut at the limit
    };
    ASSERT_TRUE(startRun(database));
    for (size_t i = 0; i < cases.size(); ++i)
        ASSERT_TRUE(database.AddRecord(static_cast<int>(i), cases[i].input, cases[i].input, cases[i].input,
                                       cases[i].input, cases[i].input, cases[i].input));
    ASSERT_TRUE(database.CloseDatabase(kAccess));

    const auto stored = rows();
    ASSERT_EQ(stored.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(stored[i][1], cases[i].stored) << "FileName";
        EXPECT_EQ(stored[i][2], cases[i].stored) << "Title";
        EXPECT_EQ(stored[i][6], cases[i].stored) << "LinkDescription";
        // Text, Keywords and Description have no limit.
        EXPECT_EQ(stored[i][3], cases[i].input);
        EXPECT_EQ(stored[i][4], cases[i].input);
        EXPECT_EQ(stored[i][5], cases[i].input);
    }
}

TEST_F(IndexDatabaseTest, LongTextsAreStoredWhole) {
    std::string text;
    while (text.size() < 10000)
        text += "word \xc3\xa9t\xc3\xa9 ";
    text.resize(10000);
    ASSERT_TRUE(startRun(database));
    ASSERT_TRUE(database.AddRecord(0, "a.htm", "A", text, text + "k", text + "d", ""));
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    const auto stored = rows();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0][3], text);
    EXPECT_EQ(stored[0][4], text + "k");
    EXPECT_EQ(stored[0][5], text + "d");
}

TEST_F(IndexDatabaseTest, NulBytesAreStoredAsBlanks) {
    using namespace std::string_literals;
    ASSERT_TRUE(startRun(database));
    ASSERT_TRUE(database.AddRecord(0, "a\0.htm"s, "T\0t"s, "before\0after"s, "k\0"s, "\0d"s, "l\0l"s));
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_EQ(cell(folder.databasePath(),
                   "SELECT FileName || '|' || Title || '|' || Text || '|' || Keywords || "
                   "'|' || Description || '|' || LinkDescription FROM IndexData"),
              "a .htm|T t|before after|k | d|l l");
}

TEST_F(IndexDatabaseTest, EmptyValuesAreLeftNull) {
    ASSERT_TRUE(startRun(database));
    ASSERT_TRUE(database.AddRecord(0, "a.htm", "A", "text", "keys", "", "link text"));
    ASSERT_TRUE(database.AddRecord(1, "b.htm", "", "", "", "", ""));
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_EQ(rows(),
              (std::vector<Row>{
                  {"0", "a.htm", "A", "text", "keys", std::nullopt, "link text"},
                  {"1", "b.htm", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
              }));
}

TEST_F(IndexDatabaseTest, EmptyFileNameIsRefusedSilently) {
    ASSERT_TRUE(startRun(database));
    EXPECT_FALSE(database.AddRecord(0, "", "Title", "text", "k", "d", "l"));
    EXPECT_TRUE(database.AddRecord(1, "b.htm", "B", "", "", "", ""));
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(rows(), (std::vector<Row>{
                          {"1", "b.htm", "B", std::nullopt, std::nullopt, std::nullopt, std::nullopt}}));
}

TEST_F(IndexDatabaseTest, EachRunReplacesTheRowsOfTheRunBefore) {
    runOf("first", 2500);
    ASSERT_EQ(rows().size(), 2500u);
    runOf("second", 1200);
    const auto stored = rows();
    EXPECT_EQ(stored.size(), 1200u);
    EXPECT_TRUE(holdsPrefixOfRun(stored, "second"));
    runOf("third", 3);
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "third"));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(IndexDatabaseTest, DeletingFromAnEmptyTableSucceeds) {
    ASSERT_TRUE(database.ConnectDatabase(kAsp, kAccess));
    EXPECT_TRUE(database.DeleteAllRecords());
    EXPECT_TRUE(database.DeleteAllRecords());
    EXPECT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(IndexDatabaseTest, MissingDatabaseFailsToConnectAndIsNotCreated) {
    fs::remove(folder.databasePath());
    EXPECT_FALSE(database.ConnectDatabase(kAsp, kAccess));
    EXPECT_EQ(
        messages.messages(),
        std::vector<std::string>{"Connect to database error!\nError info:unable to open database file"});
    EXPECT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(IndexDatabaseTest, FileThatIsNoDatabaseFailsToConnectAndIsLeftAlone) {
    const std::string content = "arrFiles=new Array();" + std::string(4096, ' ');
    folder.write("IndexData.mdb", content);
    EXPECT_FALSE(database.ConnectDatabase(kAsp, kAccess));
    EXPECT_EQ(messages.messages(),
              std::vector<std::string>{"Connect to database error!\nError info:file is not a database"});
    EXPECT_EQ(testsupport::readFile(folder.databasePath()), content);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
}

TEST_F(IndexDatabaseTest, DatabaseWithoutTheTableFailsToConnectAndGetsNoTable) {
    fs::remove(folder.databasePath());
    sqlite3* db = openDirect(folder.databasePath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Other (ID INTEGER)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    EXPECT_FALSE(database.ConnectDatabase(kAsp, kAccess));
    EXPECT_EQ(messages.messages(),
              std::vector<std::string>{"Connect to database error!\nError info:no such table: IndexData"});
    EXPECT_EQ(queryRows(folder.databasePath(), "SELECT name FROM sqlite_master"),
              std::vector<Row>{{"Other"}});

    // An empty file is an empty database to SQLite; it must stay empty.
    folder.write("IndexData.mdb", "");
    EXPECT_FALSE(database.ConnectDatabase(kAsp, kAccess));
    EXPECT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(fs::file_size(folder.databasePath()), 0u);
}

TEST_F(IndexDatabaseTest, JavaScriptModeTouchesNothing) {
    runOf("asp", 3);
    const std::string before = testsupport::readFile(folder.databasePath());
    const auto modified = fs::last_write_time(folder.databasePath());

    EXPECT_TRUE(database.ConnectDatabase(kJavaScript, kAccess));
    EXPECT_TRUE(database.DeleteAllRecords());
    EXPECT_TRUE(database.AddRecord(0, "js.htm", "JS", "text", "", "", ""));
    EXPECT_TRUE(database.AddRecord(1, "", "", "", "", "", "")); // even the empty file name
    EXPECT_TRUE(database.CloseDatabase(kAccess));

    EXPECT_EQ(testsupport::readFile(folder.databasePath()), before);
    EXPECT_EQ(fs::last_write_time(folder.databasePath()), modified);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
    EXPECT_TRUE(messages.messages().empty());

    fs::remove(folder.databasePath());
    EXPECT_TRUE(database.ConnectDatabase(kJavaScript, kAccess));
    EXPECT_TRUE(database.AddRecord(0, "js.htm", "JS", "", "", "", ""));
    EXPECT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(IndexDatabaseTest, CloseLeavesOneSelfContainedFile) {
    ASSERT_TRUE(startRun(database));
    addPages(database, "run", 2500);
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
    EXPECT_EQ(rows().size(), 2500u);
    EXPECT_TRUE(database.CloseDatabase(kAccess)); // again: nothing left to close
}

TEST_F(IndexDatabaseTest, DatabaseOfAKilledRunStillOpens) {
    runOf("old", 10);
    ASSERT_TRUE(startRun(database));
    int added = 0;
    // Snapshots taken early and late in the run: the previous run's rows are what a killed run leaves.
    for (const int upTo : {500, 2500}) {
        for (; added < upTo; ++added)
            ASSERT_TRUE(database.AddRecord(added, fileName("new", added), "T", "text", "", "", ""));
        ASSERT_TRUE(fs::exists(folder.str("IndexData.mdb.new"))) << "no run pending";
        TempDir copy;
        // The files as a killed process leaves them: the database and any journal beside it.
        for (const auto& entry : fs::directory_iterator(folder.path()))
            fs::copy_file(entry.path(), copy.path() / entry.path().filename());
        const std::string copied = copy.str("IndexData.mdb");
        SCOPED_TRACE("after " + std::to_string(upTo) + " records");
        EXPECT_EQ(cell(copied, "PRAGMA integrity_check"), "ok");
        const auto stored = storedRows(copied);
        EXPECT_EQ(stored.size(), 10u);
        EXPECT_TRUE(holdsPrefixOfRun(stored, "old"));

        RecordingMessages copyMessages;
        IndexDatabase next(copy.str("IndexData.mdb"), copyMessages);
        EXPECT_TRUE(startRun(next));
        EXPECT_TRUE(next.CloseDatabase(kAccess));
        EXPECT_TRUE(copyMessages.messages().empty());
    }
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_EQ(rows().size(), 2500u);
}

TEST_F(IndexDatabaseTest, RunThatNeverClosesLeavesThePreviousRows) {
    runOf("old", 10);
    {
        IndexDatabase dropped(folder.databasePath(), messages);
        ASSERT_TRUE(startRun(dropped));
        addPages(dropped, "new", 1500);
    }
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
    EXPECT_EQ(cell(folder.databasePath(), "PRAGMA integrity_check"), "ok");
    const auto stored = rows();
    EXPECT_EQ(stored.size(), 10u);
    EXPECT_TRUE(holdsPrefixOfRun(stored, "old"));
}

TEST_F(IndexDatabaseTest, AFailedCommitIsReportedAndKeepsThePreviousRows) {
    runOf("old", 10);
    ASSERT_TRUE(startRun(database));
    addPages(database, "new", 5);
    // Another program reading the file holds its lock past the busy time-out, so the commit cannot finish.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.databasePath().c_str(), &reader, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM IndexData;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_FALSE(database.CloseDatabase(kAccess));
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].rfind("Add record to database failure!\nError info:", 0), 0u);
    EXPECT_EQ(rows().size(), 10u);
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "old"));
}

TEST_F(IndexDatabaseTest, NewConnectReleasesARunThatWasNeverClosed) {
    ASSERT_TRUE(startRun(database));
    addPages(database, "unclosed", 3);
    // The unclosed run still holds the write lock; a new run must not stumble over it.
    ASSERT_TRUE(startRun(database));
    addPages(database, "next", 1);
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "next"));
}

// The run's connection may grow the file by a few pages only, as on a nearly full disk.
void limitGrowth(Connection& connection) {
    const auto pages = connection.textRows("PRAGMA page_count");
    connection.executeScript("PRAGMA max_page_count = " + std::to_string(std::stoll(*pages.at(0).at(0)) + 8));
}

TEST_F(IndexDatabaseTest, AFullDiskFailsTheWholeRunAndKeepsThePreviousIndex) {
    runOf("old", 10);
    const std::string searchText = "SELECT Word, Field, Records FROM SearchWords JOIN SearchPostings USING "
                                   "(WordID) ORDER BY Word, Field";
    const auto searchRows = queryRows(folder.databasePath(), searchText);
    ASSERT_FALSE(searchRows.empty());
    database.setConnectHook(limitGrowth);
    ASSERT_TRUE(startRun(database));
    addPages(database, "new", 3);
    EXPECT_FALSE(database.AddRecord(3, "large.htm", "Large", std::string(1 << 20, 'x'), "", "", ""));
    // The disk has room for a small record again, but the run has failed: nothing more is written.
    EXPECT_FALSE(database.AddRecord(4, "small.htm", "Small", "", "", "", ""));
    EXPECT_FALSE(database.CloseDatabase(kAccess));
    EXPECT_EQ(
        messages.messages(),
        std::vector<std::string>{"Add record to database failure!\nError info:database or disk is full"});
    EXPECT_EQ(rows().size(), 10u);
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "old"));
    EXPECT_EQ(queryRows(folder.databasePath(), searchText), searchRows);
}

TEST_F(IndexDatabaseTest, AFullDiskAtTheEndKeepsThePreviousIndexAndLeavesNoFileBehind) {
    runOf("old", 10);
    const std::string searchText = "SELECT Word, Field, Records FROM SearchWords JOIN SearchPostings USING "
                                   "(WordID) ORDER BY Word, Field";
    const auto searchRows = queryRows(folder.databasePath(), searchText);
    ASSERT_FALSE(searchRows.empty());
    // Room for the rows, not for the word index made from them when the run ends.
    database.setConnectHook([](Connection& connection) {
        const auto pages = connection.textRows("PRAGMA page_count");
        connection.executeScript("PRAGMA max_page_count = " +
                                 std::to_string(std::stoll(*pages.at(0).at(0)) + 40));
    });
    ASSERT_TRUE(startRun(database));
    for (int i = 0; i < 40; ++i) {
        std::string words; // each word its own, so the word index takes as much room as the text
        for (int w = 0; words.size() < 3000; ++w)
            words += "w" + std::to_string(i) + "x" + std::to_string(w) + " ";
        ASSERT_TRUE(database.AddRecord(i, fileName("new", i), "T", words, "", "", ""));
    }
    EXPECT_FALSE(database.CloseDatabase(kAccess));
    EXPECT_EQ(
        messages.messages(),
        std::vector<std::string>{"Add record to database failure!\nError info:database or disk is full"});
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "old"));
    EXPECT_EQ(rows().size(), 10u);
    EXPECT_EQ(queryRows(folder.databasePath(), searchText), searchRows);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
}

// The file a killed run left may be anything by now, a link planted at its name included; the next run
// makes its own file and writes nothing through the link.
TEST_F(IndexDatabaseTest, ARunRemovesWhatStandsAtItsFileNameAndWritesNothingThroughIt) {
    folder.write("elsewhere.mdb", "someone else's file");
    fs::create_symlink(folder.str("elsewhere.mdb"), folder.str("IndexData.mdb.new"));
    runOf("run", 3);
    EXPECT_EQ(testsupport::readFile(folder.str("elsewhere.mdb")), "someone else's file");
    EXPECT_EQ(filesIn(folder.path()), (std::set<std::string>{"IndexData.mdb", "elsewhere.mdb"}));
    EXPECT_EQ(rows().size(), 3u);
}

// The web server reads the published copy as the index was readable; the run's new file must not narrow
// or widen that.
TEST_F(IndexDatabaseTest, TheIndexKeepsItsPermissionsAcrossARun) {
    fs::permissions(folder.databasePath(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    runOf("run", 3);
    EXPECT_EQ(fs::status(folder.databasePath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// SQLite may end the transaction by itself after such an error; the records that follow must not be
// committed one by one.
TEST_F(IndexDatabaseTest, ARunWhoseTransactionWasRolledBackWritesNoMoreAndFails) {
    runOf("old", 10);
    const std::string searchText = "SELECT Word, Field, Records FROM SearchWords JOIN SearchPostings USING "
                                   "(WordID) ORDER BY Word, Field";
    const auto searchRows = queryRows(folder.databasePath(), searchText);
    ASSERT_FALSE(searchRows.empty());
    Connection* connection = nullptr;
    database.setConnectHook([&connection](Connection& c) { connection = &c; });
    ASSERT_TRUE(startRun(database));
    addPages(database, "new", 3);
    ASSERT_NE(connection, nullptr);
    connection->rollbackTrans();
    EXPECT_FALSE(database.AddRecord(3, fileName("new", 3), "T", "", "", "", ""));
    EXPECT_FALSE(database.CloseDatabase(kAccess));
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(rows().size(), 10u);
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "old"));
    EXPECT_EQ(queryRows(folder.databasePath(), searchText), searchRows);
}

TEST_F(IndexDatabaseTest, OperationsAfterAFailedConnectReportFailure) {
    fs::remove(folder.databasePath());
    ASSERT_FALSE(database.ConnectDatabase(kAsp, kAccess));
    EXPECT_FALSE(database.DeleteAllRecords());
    EXPECT_FALSE(database.AddRecord(0, "a.htm", "A", "", "", "", ""));
    EXPECT_TRUE(database.CloseDatabase(kAccess));
    const auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1], "Delete record from database failure!\nError info:the recordset is not open");
    EXPECT_EQ(shown[2], "Add record to database failure!\nError info:the recordset is not open");
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(IndexDatabaseTest, RunStartedOnOneThreadIsFinishedOnAnother) {
    ASSERT_TRUE(startRun(database));
    std::thread worker([&] {
        addPages(database, "worker", 1200);
        database.CloseDatabase(kAccess);
    });
    worker.join();
    EXPECT_EQ(rows().size(), 1200u);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
}

TEST_F(IndexDatabaseTest, AStopWhileTheIndexIsStoredKeepsThePreviousIndex) {
    runOf("old", 10);
    ASSERT_TRUE(database.ConnectDatabase(kPhp, kAccess) && database.DeleteAllRecords());
    addPages(database, "new", 300);
    std::atomic<int> stop{1};
    database.setStopFlag(&stop);
    EXPECT_FALSE(database.CloseDatabase(kAccess));
    EXPECT_EQ(messages.messages(), std::vector<std::string>{"The work was stopped while the index was being "
                                                            "stored: the index of the run before is kept."});
    EXPECT_TRUE(holdsPrefixOfRun(rows(), "old"));
    EXPECT_EQ(rows().size(), 10u);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"IndexData.mdb"});
}

TEST_F(IndexDatabaseTest, ClosingARunWritesTheWordIndexBesideTheRows) {
    runOf("old", 3);
    ASSERT_TRUE(database.ConnectDatabase(kPhp, kAccess) && database.DeleteAllRecords());
    EXPECT_TRUE(database.AddRecord(8, "b.htm", "", "", "", "", ""));
    EXPECT_TRUE(database.AddRecord(7, "a.htm", "Caf&eacute; \\\"\xC3\x89T&Eacute;\\\"",
                                   "Line\\nTWO &amp;lt; \xE2\x80\x99s two two", "", "OΔΥΣΣΕΥΣ", ""));
    ASSERT_TRUE(database.CloseDatabase(kAccess));
    const std::string path = folder.databasePath();
    // Records are numbered in index order (by ID), their short fields folded; the rows of the run before
    // are gone from the search tables too, and the design's table is unchanged.
    EXPECT_EQ(storedRows(path).size(), 2u);
    EXPECT_EQ(
        queryRows(path, "SELECT Rec, ID, Title, Keywords, Description, TextLength FROM SearchRecords"),
        (std::vector<Row>{{"0", "7", "caf\xC3\xA9 \"\xC3\xA9t\xC3\xA9\"", std::nullopt, "oδυσσευσ", "24"},
                          {"1", "8", std::nullopt, std::nullopt, std::nullopt, "0"}}));
    EXPECT_EQ(queryRows(path,
                        "SELECT Word, Field, Records FROM SearchWords JOIN SearchPostings USING (WordID) "
                        "WHERE Word IN ('two', 'caf\xC3\xA9', 'oδυσσευσ', 'lt') ORDER BY Word, Field"),
              (std::vector<Row>{
                  {"caf\xC3\xA9", "0", "0"}, {"lt", "3", "0"}, {"oδυσσευσ", "2", "0"}, {"two", "3", "0:3"}}));
    EXPECT_EQ(cell(path, "SELECT count(*) FROM sqlite_master WHERE name IN ('SearchText', 'SearchTrigrams')"),
              "0");
}
