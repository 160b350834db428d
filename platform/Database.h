#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A small connection / recordset layer over an SQLite 3 file, shaped after the few ActiveX Data Objects
// calls the index database needs. Every failing call throws DatabaseError carrying SQLite's result code
// and its message for that call. Objects are not thread-safe; calls from different threads must not overlap.

class DatabaseError : public std::runtime_error {
public:
    DatabaseError(int code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    int code() const { return m_code; }
    // Another connection holds the lock the call needed.
    bool busy() const;

private:
    int m_code;
};

// A table or column name as a statement names it: between quotes, each quote inside doubled ("" for
// SQLite, `` for MySQL).
std::string QuoteIdentifier(const std::string& name, char quote = '"');

class Connection {
public:
    enum class State { Closed = 0, Open = 1 };

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing database file for reading and writing; a missing file is an error, never created.
    // A file that is not a database fails here rather than at its first use.
    void open(const std::string& path);
    // Makes a new, empty database file and opens it. Whatever already stands at the path, a symbolic link
    // included, makes it fail: nothing is ever written into another file through this name.
    void create(const std::string& path);
    State state() const { return m_db ? State::Open : State::Closed; }
    // Closes the file; a transaction still open is rolled back. Harmless when already closed.
    void close();

    // BEGIN IMMEDIATE: the write lock is taken now, so a file that cannot be written fails here.
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    bool inTransaction() const;
    // Commits stop waiting for the disk. Outside a transaction only.
    void setUnsynced();
    // No rollback journal: for a file that is thrown away unless it was completed, so nothing written to it
    // ever needs undoing. A rollback, or a failed write, leaves the file in no state worth keeping. Before
    // the first write only.
    void setUnjournaled();
    // Puts the closed database file `source` in place of the database file `target` in one rename, once it
    // is on the disk, so a reader opens one or the other whole. `source` takes the permissions `target`
    // had. Waits for an exclusive lock on `target` first (a busy call's wait, then fails): a journal that a
    // writer of `target` leaves beside it would otherwise be played back into `source` by the next opener.
    static void replaceFile(const std::string& source, const std::string& target);
    // True when the file is an SQLite database holding the table. The file is only read, never written:
    // a journal left beside it is not rolled back, and nothing is created beside it.
    static bool fileHasTable(const std::string& path, const std::string& table);
    // Writes a copy of the database as it was last committed to `target`, through SQLite rather than the
    // file's bytes, which may be half a transaction. The copy is made in a new file beside the target that
    // then replaces it in one step, so the target is whole or unchanged and a link there is replaced, never
    // written through.
    void backupTo(const std::string& target);

    // Runs statements that take no values (schema changes, INSERT ... SELECT), one after another.
    void executeScript(const std::string& sql);
    // Rows of a query, each value as text (numbers in their text form), nullopt for NULL.
    using TextRow = std::vector<std::optional<std::string>>;
    std::vector<TextRow> textRows(const std::string& sql);
    // Runs an INSERT (or any statement) once per row, binding the row's values in order: text, or NULL
    // for nullopt. Column affinity turns the text of a number into the number.
    void executeForEach(const std::string& sql, const std::vector<TextRow>& rows);
    // Makes a one-argument text function available to this connection's SQL under `name`; NULL reads as
    // an empty text. The function must not throw.
    using TextFunction = std::string (*)(std::string_view);
    void defineFunction(const std::string& name, TextFunction function);
    // From now on a statement running while `*flag` is set stops within moments and fails, as a long
    // write must when the user stops the work; nullptr lifts it. The flag must outlive its use here.
    void setInterruptFlag(const std::atomic<int>* flag);

private:
    friend class Recordset;

    // A prepared statement kept for the life of the connection, reset and ready for binding.
    sqlite3_stmt* statement(const std::string& sql);
    void execute(const std::string& sql);
    void requireOpen() const;
    [[noreturn]] void fail() const;
    void finalizeStatements();

    sqlite3* m_db = nullptr;
    std::map<std::string, sqlite3_stmt*> m_statements;
};

// A static cursor over all rows of one table: the rows are those present when it was opened plus the ones it
// adds itself. Rows are addressed by rowid, so changes made through other connections are not seen.
class Recordset {
public:
    using Value = std::variant<long long, std::string>;

    Recordset() = default;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens the rows of "SELECT * FROM <table>" on the connection; the current record is the first one.
    void open(Connection& connection, const std::string& table);
    bool isOpen() const { return m_connection != nullptr; }
    // Nothing moves backwards, so the cursor is before the first record only when no record is left;
    // then both are true.
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveNext();
    // Deletes the current record from the table; it stays current until the next move.
    void deleteCurrent();

    // Starts a new record; its fields are stored by update(). Fields not set keep the table's default.
    void addNew();
    // Column names compare without regard to ASCII case.
    void setField(std::string_view column, Value value);
    // Stores the new record, which becomes the current one. On failure the new record stays pending.
    void update();
    // Drops a pending new record; harmless when there is none.
    void cancelUpdate();
    // The rowid of the current record, which after update() is the one just stored.
    long long currentRowid() const;
    void close();

private:
    struct Row {
        long long rowid;
        bool deleted;
    };

    Connection& connection() const;
    size_t columnIndex(std::string_view column) const;
    std::string insertSql() const;
    size_t firstLiveFrom(size_t index) const;
    bool hasCurrent() const;

    Connection* m_connection = nullptr;
    std::string m_quotedTable;
    std::vector<std::string> m_columns;
    std::vector<Row> m_rows;
    size_t m_live = 0;
    size_t m_position = 0; // m_rows.size() once past the last row
    std::optional<std::vector<std::optional<Value>>> m_newRecord;
};
