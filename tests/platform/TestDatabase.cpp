#include "platform/Database.h"

#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

using Cells = testsupport::DbRow;

// Runs SQL on its own connection, outside the layer under test.
void execSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

std::vector<Cells> query(const std::string& path, const std::string& sql) {
    return testsupport::queryRows(path, sql);
}

size_t countRows(const std::string& path) {
    return query(path, "SELECT * FROM T").size();
}

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        execSql(path, "CREATE TABLE T (ID INTEGER, Name TEXT, Note TEXT DEFAULT 'none', Extra TEXT)");
    }
    void insertRows(int count) {
        for (int i = 0; i < count; ++i)
            execSql(path, "INSERT INTO T (ID, Name) VALUES (" + std::to_string(i) + ", 'row')");
    }
    int walk(Recordset& recordset) {
        int visited = 0;
        if (!recordset.bof())
            recordset.moveFirst();
        for (; !recordset.eof(); recordset.moveNext())
            ++visited;
        return visited;
    }

    TempDir dir;
    std::string path = dir.str("test.db");
};

// Expects the call to throw DatabaseError with this primary result code and message.
template <typename Call> void expectError(Call call, int primaryCode, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "no DatabaseError thrown";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.code() & 0xff, primaryCode);
        EXPECT_EQ(std::string(error.what()), text);
    }
}

} // namespace

TEST(DatabaseConnectionTest, MissingFileFailsAndIsNeverCreated) {
    TempDir dir;
    Connection connection;
    expectError([&] { connection.open(dir.str("missing.db")); }, SQLITE_CANTOPEN,
                "unable to open database file");
    EXPECT_EQ(connection.state(), Connection::State::Closed);
    EXPECT_FALSE(fs::exists(dir.str("missing.db")));
}

TEST(DatabaseConnectionTest, FileThatIsNoDatabaseFailsAtOpenAndIsLeftAlone) {
    TempDir dir;
    const std::string content = "This is a plain text file, renamed.\n" + std::string(600, 'x');
    const std::string path = dir.write("text.db", content);
    Connection connection;
    expectError([&] { connection.open(path); }, SQLITE_NOTADB, "file is not a database");
    EXPECT_EQ(connection.state(), Connection::State::Closed);
    EXPECT_EQ(testsupport::readFile(path), content);
}

TEST_F(DatabaseTest, StateFollowsOpenAndCloseAndDoubleOpenIsRefused) {
    Connection connection;
    EXPECT_EQ(connection.state(), Connection::State::Closed);
    connection.open(path);
    EXPECT_EQ(connection.state(), Connection::State::Open);
    expectError([&] { connection.open(path); }, SQLITE_MISUSE, "the connection is already open");
    connection.close();
    connection.close();
    EXPECT_EQ(connection.state(), Connection::State::Closed);
    expectError([&] { connection.beginTrans(); }, SQLITE_MISUSE, "the connection is not open");
}

TEST_F(DatabaseTest, TransactionKeepsRowsFromOthersUntilCommitAndCloseRollsBack) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");

    connection.beginTrans();
    EXPECT_TRUE(connection.inTransaction());
    recordset.addNew();
    recordset.setField("ID", 1LL);
    recordset.update();
    EXPECT_EQ(countRows(path), 0u);
    connection.commitTrans();
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(countRows(path), 1u);

    connection.beginTrans();
    recordset.addNew();
    recordset.setField("ID", 2LL);
    recordset.update();
    connection.rollbackTrans();
    EXPECT_EQ(countRows(path), 1u);

    connection.beginTrans();
    recordset.addNew();
    recordset.setField("ID", 3LL);
    recordset.update();
    recordset.close();
    connection.close();
    EXPECT_EQ(query(path, "SELECT ID FROM T"), std::vector<Cells>{{"1"}});
}

TEST_F(DatabaseTest, RecordsetOnMissingTableFails) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    expectError([&] { recordset.open(connection, "IndexData"); }, SQLITE_ERROR, "no such table: IndexData");
    EXPECT_FALSE(recordset.isOpen());
}

TEST_F(DatabaseTest, EmptyTableIsAtBothEnds) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    EXPECT_TRUE(recordset.bof());
    EXPECT_TRUE(recordset.eof());
    expectError([&] { recordset.deleteCurrent(); }, SQLITE_MISUSE, "no current record");
    expectError([&] { recordset.moveNext(); }, SQLITE_MISUSE, "no current record");
}

TEST_F(DatabaseTest, CursorVisitsTheRowsPresentAtOpenOnly) {
    insertRows(3);
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    EXPECT_FALSE(recordset.bof());
    EXPECT_FALSE(recordset.eof());
    insertRows(2); // through another connection, after the snapshot
    EXPECT_EQ(walk(recordset), 3);
    EXPECT_EQ(walk(recordset), 3);
    expectError([&] { recordset.moveNext(); }, SQLITE_MISUSE, "no current record");
}

TEST_F(DatabaseTest, DeletingWhileWalkingEmptiesTheTable) {
    insertRows(5);
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    recordset.moveNext();
    recordset.deleteCurrent();
    // The deleted record stays current until the next move, but cannot be deleted twice.
    expectError([&] { recordset.deleteCurrent(); }, SQLITE_MISUSE, "no current record");
    EXPECT_EQ(walk(recordset), 4);

    recordset.moveFirst();
    while (!recordset.eof()) {
        recordset.deleteCurrent();
        recordset.moveNext();
    }
    EXPECT_TRUE(recordset.bof());
    EXPECT_EQ(countRows(path), 0u);
    EXPECT_EQ(walk(recordset), 0);
}

TEST_F(DatabaseTest, NewRecordStoresSetFieldsAndLeavesOthersToTheTable) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    recordset.addNew();
    recordset.setField("id", 7LL); // column names ignore case
    recordset.setField("NAME", std::string("first"));
    recordset.update();
    EXPECT_FALSE(recordset.eof());
    EXPECT_FALSE(recordset.bof());

    recordset.addNew();
    recordset.update(); // no field set at all
    EXPECT_EQ(walk(recordset), 2);
    EXPECT_EQ(query(path, "SELECT ID, Name, Note, Extra FROM T ORDER BY rowid"),
              (std::vector<Cells>{{"7", "first", "none", std::nullopt},
                                  {std::nullopt, std::nullopt, "none", std::nullopt}}));
}

TEST_F(DatabaseTest, ValuesAreBoundNotSpliced) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    const std::string hostile = "x'); DROP TABLE T; -- \"quoted\" \xc3\xa9";
    const std::string withNul("a\0b", 3);
    recordset.addNew();
    recordset.setField("Name", hostile);
    recordset.setField("Extra", withNul);
    recordset.update();
    recordset.close();
    connection.close();
    EXPECT_EQ(query(path, "SELECT Name, Extra FROM T"), (std::vector<Cells>{{hostile, withNul}}));
}

TEST_F(DatabaseTest, PendingRecordRules) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    expectError([&] { recordset.setField("ID", 1LL); }, SQLITE_MISUSE, "no new record pending");
    expectError([&] { recordset.update(); }, SQLITE_MISUSE, "no new record pending");
    recordset.cancelUpdate(); // harmless without a pending record

    recordset.addNew();
    expectError([&] { recordset.addNew(); }, SQLITE_MISUSE, "a new record is already pending");
    expectError([&] { recordset.setField("Nope", 1LL); }, SQLITE_ERROR, "no such column: Nope");
    recordset.setField("Name", std::string("dropped"));
    recordset.cancelUpdate();
    recordset.addNew();
    recordset.setField("ID", 2LL);
    recordset.update();
    EXPECT_EQ(query(path, "SELECT ID, Name FROM T"), (std::vector<Cells>{{"2", std::nullopt}}));
}

TEST_F(DatabaseTest, FailedUpdateKeepsTheRecordPending) {
    execSql(path, "CREATE TABLE Strict (ID INTEGER, Title TEXT NOT NULL)");
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "Strict");
    recordset.addNew();
    recordset.setField("ID", 1LL);
    try {
        recordset.update();
        ADD_FAILURE() << "the constraint did not fail";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.code(), SQLITE_CONSTRAINT_NOTNULL);
        EXPECT_EQ(std::string(error.what()), "NOT NULL constraint failed: Strict.Title");
    }
    EXPECT_TRUE(recordset.eof());
    recordset.setField("Title", std::string("now set"));
    recordset.update();
    EXPECT_EQ(query(path, "SELECT ID, Title FROM Strict"), (std::vector<Cells>{{"1", "now set"}}));
}

TEST_F(DatabaseTest, ClosedObjectsRefuseWork) {
    Recordset never;
    expectError([&] { never.eof(); }, SQLITE_MISUSE, "the recordset is not open");
    expectError([&] { never.addNew(); }, SQLITE_MISUSE, "the recordset is not open");
    never.close();

    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    expectError([&] { recordset.open(connection, "T"); }, SQLITE_MISUSE, "the recordset is already open");
    connection.close();
    expectError([&] { recordset.addNew(); }, SQLITE_MISUSE, "the connection is not open");
    expectError([&] { recordset.moveFirst(); }, SQLITE_MISUSE, "the connection is not open");
}

TEST_F(DatabaseTest, WriteLockIsTakenAtBeginOfTransaction) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Connection connection;
    connection.open(path);
    expectError([&] { connection.beginTrans(); }, SQLITE_READONLY, "attempt to write a readonly database");
}

TEST_F(DatabaseTest, ManyRowsThroughCachedStatements) {
    Connection connection;
    connection.open(path);
    Recordset recordset;
    recordset.open(connection, "T");
    connection.beginTrans();
    for (long long i = 0; i < 3000; ++i) {
        recordset.addNew();
        recordset.setField("ID", i);
        recordset.setField(i % 2 ? "Name" : "Extra", std::to_string(i));
        recordset.update();
    }
    connection.commitTrans();
    EXPECT_EQ(walk(recordset), 3000);
    EXPECT_EQ(query(path, "SELECT count(*), sum(ID), count(Name), count(Extra) FROM T"),
              (std::vector<Cells>{{"3000", std::to_string(2999LL * 3000 / 2), "1500", "1500"}}));
}

TEST_F(DatabaseTest, AStatementStopsOnceItsInterruptFlagIsSetAndRunsWhenItIsLifted) {
    Connection connection;
    connection.open(path);
    std::atomic<int> stop{1};
    connection.setInterruptFlag(&stop);
    const std::string count =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
        "SELECT count(*) FROM n";
    expectError([&] { connection.textRows(count); }, SQLITE_INTERRUPT, "interrupted");
    stop = 0;
    EXPECT_EQ(connection.textRows(count).at(0).at(0), "100000");
    stop = 1;
    connection.setInterruptFlag(nullptr);
    EXPECT_EQ(connection.textRows(count).at(0).at(0), "100000");
}
