#pragma once

#include <functional>
#include <memory>
#include <string>

#include "store/IndexStores.h"

class MessageService;
class Connection;
class Recordset;

// The index database of the server-side variant: the table IndexData in IndexData.mdb in the program
// folder, held open for one indexing run. In a run that writes no database every operation does nothing
// and succeeds. The operations are never called at the same time (the run's thread calls them in turn).
class IndexDatabase {
public:
    explicit IndexDatabase(std::string databasePath, MessageService& messages);
    ~IndexDatabase();

    // Opens the database for a run; what the run writes, given here, holds until the next connect (the word
    // index only when `stores.searchTables`).
    bool ConnectDatabase(const IndexStores& stores, int databaseType);
    bool DeleteAllRecords();
    bool AddRecord(int number, const std::string& fileName, const std::string& title, const std::string& text,
                   const std::string& keywords, const std::string& description,
                   const std::string& linkDescription);
    // Commits the run and closes; leaves IndexData.mdb as one self-contained file. False when the run
    // met any database error, or the commit failed: the rows of the run before are kept.
    bool CloseDatabase(int databaseType);
    // Ends a run that failed as a whole: its rows are rolled back and the previous ones stay.
    void AbandonRun();

    // True when the database at the path holds the word index the server-side pages answer from; a file
    // written before there was one holds the rows alone.
    static bool HasWordIndex(const std::string& databasePath);

    // Tests reach a run's connection through this, called once its transaction has begun, to make the
    // database fail as a full disk would.
    void setConnectHook(std::function<void(Connection&)> hook) { m_connectHook = std::move(hook); }

private:
    bool writesNoDatabase() const { return !m_stores.database; }
    // Closes the recordset and the connection, committing the run when asked (a failure is reported) and
    // rolling it back otherwise. False when the commit failed.
    bool release(bool commit);
    void report(const char* format, const std::string& errorText);
    // The run has met a database error: nothing more is written, and its end keeps the previous rows.
    void failRun(const char* format, const std::string& errorText);

    std::string m_databasePath;
    MessageService& m_messages;
    IndexStores m_stores;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<Recordset> m_recordset;
    bool m_recordsetOpen = false;
    bool m_runFailed = false;
    std::function<void(Connection&)> m_connectHook;
};
