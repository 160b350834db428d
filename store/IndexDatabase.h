#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "store/IndexStores.h"
#include "store/ServerIndex.h"

class MessageService;
class Connection;
class Recordset;
namespace WordIndex {
class Builder;
}

// The index database of the server-side variant: the table IndexData in IndexData.mdb in the program
// folder, held open for one indexing run. In a run that writes no database every operation does nothing
// and succeeds. The operations are never called at the same time (the run's thread calls them in turn).
class IndexDatabase {
public:
    explicit IndexDatabase(std::string databasePath, MessageService& messages);
    ~IndexDatabase();

    // Opens the database for a run; what the run writes, given here, holds until the next connect (the word
    // index only when `stores.wordIndex`).
    bool ConnectDatabase(const IndexStores& stores, int databaseType);
    bool DeleteAllRecords();
    bool AddRecord(int number, const std::string& fileName, const std::string& title, const std::string& text,
                   const std::string& keywords, const std::string& description,
                   const std::string& linkDescription);
    // Completes the run's file and puts it in place of IndexData.mdb, one self-contained file. False when
    // the run met any database error, or its end failed: the index of the run before is kept.
    bool CloseDatabase(int databaseType);
    // The runs from the next connect on also put their index on this server database, swapped in there
    // before the file takes its place; none when nullopt.
    void setServer(std::optional<ServerAccount> account);
    // Ends a run that failed as a whole: its file is dropped and the previous index stays.
    void AbandonRun();
    // The user's Stop for the storing at CloseDatabase (the word index, the server's copy), which takes
    // a minute on a large site: once set, the storing ends within moments, as a failure that keeps the
    // previous index. Nullptr for none; the flag must outlive the close.
    void setStopFlag(const std::atomic<int>* flag) { m_stopFlag = flag; }

    // True when the database at the path holds the word index the server-side pages answer from; a file
    // written before there was one holds the rows alone.
    static bool HasWordIndex(const std::string& databasePath);

    // Tests reach the connection to a run's file through this, called once its transaction has begun, to
    // make the database fail as a full disk would.
    void setConnectHook(std::function<void(Connection&)> hook) { m_connectHook = std::move(hook); }

private:
    bool writesNoDatabase() const { return !m_stores.database; }
    bool stopped() const;
    // The file a run writes, beside IndexData.mdb.
    std::string runFilePath() const;
    void removeRunFile() const;
    // Closes the recordset and the connection, putting the run's file in place when asked (a failure is
    // reported) and dropping it otherwise. False when that failed.
    bool release(bool commit);
    void report(const char* format, const std::string& errorText);
    // The run has met a database error: nothing more is written, and its end keeps the previous rows.
    void failRun(const char* format, const std::string& errorText);

    std::string m_databasePath;
    MessageService& m_messages;
    IndexStores m_stores;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<Recordset> m_recordset;
    // The run's word index, built as its rows are added (when the run writes one).
    std::unique_ptr<WordIndex::Builder> m_wordIndex;
    bool m_recordsetOpen = false;
    bool m_runFailed = false;
    std::function<void(Connection&)> m_connectHook;
    std::optional<ServerIndex> m_server;
    const std::atomic<int>* m_stopFlag = nullptr;
};
