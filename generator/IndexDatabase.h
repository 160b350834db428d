#pragma once

#include <memory>
#include <string>

class MessageService;
class Connection;
class Recordset;

// The index database of the server-side variant: the table IndexData in IndexData.mdb in the program
// folder, held open for one indexing run. In the JavaScript variant every operation does nothing and
// succeeds. The operations are never called at the same time (the run's thread calls them in turn).
class IndexDatabase {
public:
    IndexDatabase(std::string programFolder, MessageService& messages);
    ~IndexDatabase();

    // Opens the database for a run; the script type given here holds until the next connect.
    bool ConnectDatabase(int scriptType, int databaseType);
    bool DeleteAllRecords();
    bool AddRecord(int number, const std::string& fileName, const std::string& title, const std::string& text,
                   const std::string& keywords, const std::string& description,
                   const std::string& linkDescription);
    // Commits and closes; leaves IndexData.mdb as one self-contained file. Always true.
    bool CloseDatabase(int databaseType);

private:
    bool isJavaScript() const;
    // Commits the rows added since the last commit and starts the next batch.
    void commitBatch();
    // Closes the recordset and the connection, keeping every row already added.
    void release(bool reportLostRows);
    void report(const char* format, const std::string& errorText);

    std::string m_programFolder;
    MessageService& m_messages;
    int m_scriptType = 0;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<Recordset> m_recordset;
    bool m_recordsetOpen = false;
    int m_uncommittedRows = 0;
};
