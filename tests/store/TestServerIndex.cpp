#include <gtest/gtest.h>

#include <mysql.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/Database.h"
#include "store/IndexDatabase.h"
#include "store/ServerIndex.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kServerScript = std::string(FINDLARK_SOURCE_DIR) + "/tests/support/mariadb-server.sh";

// One server for the suite, started in a temporary folder, with the database and the writing account a
// profile would name.
class ServerIndexTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<testsupport::TempDir>();
        const int status = std::system(("sh " + kServerScript + " start " + s_folder->str("server")).c_str());
        s_started = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        s_missing = WIFEXITED(status) && WEXITSTATUS(status) == 77;
        if (s_started)
            admin("CREATE DATABASE findlark; CREATE USER writer@localhost IDENTIFIED BY 'it''s secret'; "
                  "GRANT ALL ON findlark.* TO writer@localhost");
    }
    static void TearDownTestSuite() {
        if (s_folder)
            (void)std::system(("sh " + kServerScript + " stop " + s_folder->str("server")).c_str());
        s_folder.reset();
    }
    void SetUp() override {
        if (s_missing)
            GTEST_SKIP() << "MariaDB's server is not installed: the server database is not tested";
        ASSERT_TRUE(s_started) << "the test's MariaDB server did not start";
        admin("DROP DATABASE IF EXISTS findlark; CREATE DATABASE findlark");
        m_account = {"", 0, s_folder->str("server/sock"), "findlark", "writer", passwordFile(0600)};
    }

    // Runs statements as root; the rows of the last one, each row's values joined by "|".
    static std::vector<std::string> admin(const std::string& sql) {
        MYSQL* mysql = mysql_init(nullptr);
        mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "binary");
        std::vector<std::string> rows;
        if (!mysql_real_connect(mysql, nullptr, "root", nullptr, nullptr, 0,
                                s_folder->str("server/sock").c_str(), CLIENT_MULTI_STATEMENTS)) {
            ADD_FAILURE() << mysql_error(mysql);
        } else if (mysql_query(mysql, sql.c_str()) != 0) {
            ADD_FAILURE() << sql << ": " << mysql_error(mysql);
        } else {
            do {
                MYSQL_RES* result = mysql_store_result(mysql);
                if (!result)
                    continue;
                rows.clear();
                const unsigned columns = mysql_num_fields(result);
                while (MYSQL_ROW row = mysql_fetch_row(result)) {
                    const unsigned long* lengths = mysql_fetch_lengths(result);
                    std::string joined;
                    for (unsigned c = 0; c < columns; ++c)
                        joined += (c ? "|" : "") + (row[c] ? std::string(row[c], lengths[c]) : "NULL");
                    rows.push_back(joined);
                }
                mysql_free_result(result);
            } while (mysql_next_result(mysql) == 0);
        }
        mysql_close(mysql);
        return rows;
    }

    std::string passwordFile(mode_t mode) {
        const std::string path = s_folder->write("password", "it's secret\n");
        chmod(path.c_str(), mode);
        return path;
    }

    // A finished run's file of these pages, with its word index, made as a PHP run makes it.
    std::string runFile(const std::vector<std::pair<std::string, std::string>>& pages) {
        IndexDatabase database(m_program.databasePath(), m_messages);
        EXPECT_TRUE(database.ConnectDatabase({.database = true, .wordIndex = true}, 2));
        int number = 0;
        for (const auto& [name, text] : pages)
            EXPECT_TRUE(database.AddRecord(number++, name, "Title of " + name, text, "", "", ""));
        EXPECT_TRUE(database.CloseDatabase(2));
        return m_program.databasePath();
    }

    static std::vector<std::string> fileRows(const std::string& path, const std::string& sql) {
        Connection file;
        file.open(path);
        std::vector<std::string> rows;
        for (const Connection::TextRow& row : file.textRows(sql)) {
            std::string joined;
            for (size_t c = 0; c < row.size(); ++c)
                joined += (c ? "|" : "") + row[c].value_or("NULL");
            rows.push_back(joined);
        }
        return rows;
    }

    // The tables a run's file holds, which the server must serve, no more and no fewer.
    static std::vector<std::string> fileTables(const std::string& path) {
        return fileRows(path,
                        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                        "ORDER BY name");
    }

    static std::vector<std::string> servedTables() {
        return admin("SELECT table_name FROM information_schema.tables WHERE table_schema = 'findlark' "
                     "ORDER BY table_name");
    }

    inline static std::unique_ptr<testsupport::TempDir> s_folder;
    inline static bool s_started = false;
    inline static bool s_missing = false;
    testsupport::ProgramFolder m_program;
    testsupport::RecordingMessages m_messages;
    ServerAccount m_account;
};

// The server answers from the same rows and word index as the file, byte for byte (quotes, backslashes,
// a NUL's blank, bytes that are no UTF-8, the binary occurrence lists), and a second run's tables replace
// the first's whole, with nothing of the swap left beside them.
TEST_F(ServerIndexTest, TheServerHoldsWhatTheRunsFileHoldsAndASecondRunReplacesIt) {
    const std::string file = runFile({{"a.htm", "it's a \\back\\slash, \"quoted\" \xE9t\xE9"},
                                      {"b.htm", std::string("zebra crossing\0nul", 18)}});
    ASSERT_TRUE(ServerIndex(m_account).publish(file)) << m_messages.messages().size();
    for (const std::string order : {"SearchRecords ORDER BY 1", "SearchWords ORDER BY 1",
                                    "SearchPostings ORDER BY 1, 2", "SearchSharedParts ORDER BY 1"})
        EXPECT_EQ(admin("SELECT * FROM findlark." + order), fileRows(file, "SELECT * FROM " + order))
            << order;
    EXPECT_EQ(admin("SELECT WordID, Field, hex(Records) FROM findlark.SearchOccurrences ORDER BY 1, 2"),
              fileRows(file, "SELECT WordID, Field, hex(Records) FROM SearchOccurrences ORDER BY 1, 2"));
    const std::string indexData = "SELECT rowid, ID, FileName, Title, Text FROM IndexData ORDER BY rowid";
    EXPECT_EQ(admin("USE findlark; " + indexData), fileRows(file, indexData));

    const std::string second = runFile({{"c.htm", "only page"}});
    ASSERT_TRUE(ServerIndex(m_account).publish(second));
    EXPECT_EQ(admin("SELECT FileName FROM findlark.IndexData"), std::vector<std::string>{"c.htm"});
    EXPECT_EQ(servedTables(), fileTables(second));
}

// The connection dies after every row has been copied, just before the swap: the visitors keep the
// previous index, and the next run clears what the failed one left and swaps in its own.
TEST_F(ServerIndexTest, ARunThatFailsBeforeTheSwapLeavesTheServedTablesAsTheyWere) {
    ASSERT_TRUE(ServerIndex(m_account).publish(runFile({{"old.htm", "previous index"}})));
    const std::vector<std::string> previous = admin("SELECT * FROM findlark.SearchWords ORDER BY 1");

    ServerIndex failing(m_account);
    failing.setBeforeSwapHook(
        [](unsigned long thread) { admin("KILL CONNECTION " + std::to_string(thread)); });
    const std::string file = runFile({{"new.htm", "replacement index"}});
    EXPECT_FALSE(failing.publish(file));
    EXPECT_EQ(admin("SELECT FileName FROM findlark.IndexData"), std::vector<std::string>{"old.htm"});
    EXPECT_EQ(admin("SELECT * FROM findlark.SearchWords ORDER BY 1"), previous);
    // So does the user's Stop during the copy.
    std::atomic<int> stop{0};
    ServerIndex stopped(m_account);
    stopped.setBeforeSwapHook([&stop](unsigned long) { stop = 1; });
    EXPECT_FALSE(stopped.publish(file, &stop));
    EXPECT_EQ(admin("SELECT FileName FROM findlark.IndexData"), std::vector<std::string>{"old.htm"});

    ASSERT_TRUE(ServerIndex(m_account).publish(file));
    EXPECT_EQ(admin("SELECT FileName FROM findlark.IndexData"), std::vector<std::string>{"new.htm"});
    EXPECT_EQ(servedTables(), fileTables(file));
}

// A password that others may read is refused before any connection, and the run never starts.
TEST_F(ServerIndexTest, APasswordFileOthersCanReadIsRefused) {
    m_account.passwordFile = passwordFile(0640);
    IndexDatabase database(m_program.databasePath(), m_messages);
    database.setServer(m_account);
    EXPECT_FALSE(database.ConnectDatabase({.database = true, .wordIndex = true}, 2));
    ASSERT_EQ(m_messages.messages().size(), 1u);
    EXPECT_NE(
        m_messages.messages()[0].find(m_account.passwordFile + " may be read or changed by other users"),
        std::string::npos)
        << m_messages.messages()[0];

    m_account.passwordFile = passwordFile(0600);
    database.setServer(m_account);
    EXPECT_TRUE(database.ConnectDatabase({.database = true, .wordIndex = true}, 2));
}

} // namespace
