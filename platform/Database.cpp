#include "platform/Database.h"
#include "platform/AsciiText.h"
#include "platform/FileReplace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

namespace {

// Another program reading the file (a database browser, a copy in progress) holds its lock only briefly;
// waiting a little beats failing the run at once.
constexpr int kBusyTimeoutMs = 3000;

[[noreturn]] void misuse(const std::string& text) {
    throw DatabaseError(SQLITE_MISUSE, text);
}

// Waits until the file or folder is on the disk; false, with errno set, when it could not be.
bool syncPath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    errno = syncError;
    return synced;
}

// Leaves a cached statement reset and unbound however its use ends, so no read stays open across a COMMIT.
class StatementUse {
public:
    explicit StatementUse(sqlite3_stmt* statement) : m_statement(statement) {}
    ~StatementUse() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

private:
    sqlite3_stmt* m_statement;
};

} // namespace

std::string QuoteIdentifier(const std::string& name, char quote) {
    std::string quoted(1, quote);
    for (const char c : name) {
        quoted += c;
        if (c == quote)
            quoted += quote;
    }
    quoted += quote;
    return quoted;
}

bool DatabaseError::busy() const {
    const int primary = m_code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// ---- Connection ----

Connection::~Connection() {
    close();
}

void Connection::open(const std::string& path) {
    if (m_db)
        misuse("the connection is already open");
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const DatabaseError error(rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw error;
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // SQLite reads the file lazily; reading the schema now turns "not a database" into an open failure.
    try {
        execute("SELECT 1 FROM sqlite_master LIMIT 1");
    } catch (const DatabaseError&) {
        close();
        throw;
    }
}

void Connection::create(const std::string& path) {
    if (m_db)
        misuse("the connection is already open");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw DatabaseError(SQLITE_CANTOPEN, std::strerror(errno));
    ::close(fd);
    // SQLite takes an empty file for an empty database.
    open(path);
}

void Connection::close() {
    if (!m_db)
        return;
    finalizeStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Connection::setInterruptFlag(const std::atomic<int>* flag) {
    if (!m_db)
        misuse("the connection is not open");
    // Asked every thousand steps of the statement's program: often enough to stop within moments, rarely
    // enough to cost nothing.
    constexpr int kSteps = 1000;
    const auto stopped = [](void* given) -> int { return *static_cast<const std::atomic<int>*>(given) != 0; };
    if (flag)
        sqlite3_progress_handler(m_db, kSteps, stopped, const_cast<std::atomic<int>*>(flag));
    else
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

void Connection::beginTrans() {
    execute("BEGIN IMMEDIATE");
}
void Connection::commitTrans() {
    execute("COMMIT");
}
void Connection::setUnsynced() {
    execute("PRAGMA synchronous=OFF");
}
void Connection::setUnjournaled() {
    execute("PRAGMA journal_mode=OFF");
}
void Connection::replaceFile(const std::string& source, const std::string& target) {
    if (!syncPath(source))
        throw DatabaseError(SQLITE_IOERR_FSYNC, std::strerror(errno));
    Connection held;
    held.open(target);
    // Also waits out readers: there is no lock that keeps writers out and lets readers in.
    held.execute("BEGIN EXCLUSIVE");
    struct stat before {};
    if (::stat(target.c_str(), &before) == 0)
        ::chmod(source.c_str(), before.st_mode & 07777);
    std::error_code error;
    const std::filesystem::path targetPath(target);
    std::filesystem::rename(source, targetPath, error);
    if (error)
        throw DatabaseError(SQLITE_IOERR, error.message());
    // The rename itself lasts only once the folder is on the disk; a folder that cannot be synced loses
    // nothing but that.
    syncPath(targetPath.parent_path().empty() ? "." : targetPath.parent_path().string());
}
bool Connection::fileHasTable(const std::string& path, const std::string& table) {
    sqlite3* db = nullptr;
    bool found = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1", -1, &query,
                               nullptr) == SQLITE_OK &&
            sqlite3_bind_text(query, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT) ==
                SQLITE_OK)
            found = sqlite3_step(query) == SQLITE_ROW;
        sqlite3_finalize(query);
    }
    sqlite3_close_v2(db);
    return found;
}
void Connection::backupTo(const std::string& target) {
    requireOpen();
    int rc = SQLITE_OK;
    std::string text;
    const bool replaced = FileReplace::withWriter(target, [&](const std::filesystem::path& temporary) {
        // The copy is read as the working file is (by a web server, once published), not kept private.
        struct stat source {};
        if (::stat(sqlite3_db_filename(m_db, "main"), &source) == 0)
            ::chmod(temporary.c_str(), source.st_mode & 07777);
        sqlite3* copy = nullptr;
        rc = sqlite3_open_v2(temporary.c_str(), &copy, SQLITE_OPEN_READWRITE, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_backup* backup = sqlite3_backup_init(copy, "main", m_db, "main");
            if (backup) {
                sqlite3_backup_step(backup, -1);
                rc = sqlite3_backup_finish(backup);
            } else {
                rc = sqlite3_errcode(copy);
            }
        }
        text = copy ? sqlite3_errmsg(copy) : sqlite3_errstr(rc);
        if (sqlite3_close(copy) != SQLITE_OK && rc == SQLITE_OK)
            rc = SQLITE_IOERR;
        return rc == SQLITE_OK;
    });
    if (replaced)
        return;
    if (rc == SQLITE_OK) { // the temporary file could not be made, or not renamed over the target
        rc = SQLITE_CANTOPEN;
        text = std::strerror(errno);
    }
    throw DatabaseError(rc, text);
}
void Connection::rollbackTrans() {
    execute("ROLLBACK");
}
bool Connection::inTransaction() const {
    return m_db && !sqlite3_get_autocommit(m_db);
}

sqlite3_stmt* Connection::statement(const std::string& sql) {
    requireOpen();
    if (const auto found = m_statements.find(sql); found != m_statements.end()) {
        sqlite3_reset(found->second);
        sqlite3_clear_bindings(found->second);
        return found->second;
    }
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &prepared, nullptr) != SQLITE_OK)
        fail();
    m_statements.emplace(sql, prepared);
    return prepared;
}

void Connection::execute(const std::string& sql) {
    sqlite3_stmt* prepared = statement(sql);
    const StatementUse use(prepared);
    int rc;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        fail();
}

void Connection::executeScript(const std::string& sql) {
    requireOpen();
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

std::vector<Connection::TextRow> Connection::textRows(const std::string& sql) {
    sqlite3_stmt* prepared = statement(sql);
    const StatementUse use(prepared);
    std::vector<TextRow> rows;
    const int columns = sqlite3_column_count(prepared);
    int rc;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
        TextRow row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(prepared, c));
            if (text)
                row.emplace_back(std::string(text, static_cast<size_t>(sqlite3_column_bytes(prepared, c))));
            else
                row.emplace_back(std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        fail();
    return rows;
}

void Connection::executeForEach(const std::string& sql, const std::vector<TextRow>& rows) {
    sqlite3_stmt* prepared = statement(sql);
    const StatementUse use(prepared);
    for (const TextRow& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            const int index = static_cast<int>(c) + 1;
            const int rc = row[c] ? sqlite3_bind_text64(prepared, index, row[c]->data(), row[c]->size(),
                                                        SQLITE_STATIC, SQLITE_UTF8)
                                  : sqlite3_bind_null(prepared, index);
            if (rc != SQLITE_OK)
                fail();
        }
        if (sqlite3_step(prepared) != SQLITE_DONE)
            fail();
        sqlite3_reset(prepared);
    }
}

namespace {

void callTextFunction(sqlite3_context* context, int /*argc: always 1*/, sqlite3_value** argv) {
    const auto function = reinterpret_cast<Connection::TextFunction>(sqlite3_user_data(context));
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string_view text =
        bytes ? std::string_view(bytes, static_cast<size_t>(sqlite3_value_bytes(argv[0])))
              : std::string_view();
    const std::string result = function(text);
    sqlite3_result_text64(context, result.data(), result.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

} // namespace

void Connection::defineFunction(const std::string& name, TextFunction function) {
    requireOpen();
    if (sqlite3_create_function_v2(m_db, name.c_str(), 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   reinterpret_cast<void*>(function), callTextFunction, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        fail();
}

void Connection::requireOpen() const {
    if (!m_db)
        misuse("the connection is not open");
}

void Connection::fail() const {
    throw DatabaseError(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db));
}

void Connection::finalizeStatements() {
    for (auto& [sql, prepared] : m_statements)
        sqlite3_finalize(prepared);
    m_statements.clear();
}

// ---- Recordset ----

void Recordset::open(Connection& connection, const std::string& table) {
    if (m_connection)
        misuse("the recordset is already open");
    const std::string quoted = QuoteIdentifier(table);
    std::vector<std::string> columns;
    sqlite3_stmt* all = connection.statement("SELECT * FROM " + quoted);
    for (int i = 0; i < sqlite3_column_count(all); ++i)
        columns.emplace_back(sqlite3_column_name(all, i));

    std::vector<Row> rows;
    sqlite3_stmt* rowids = connection.statement("SELECT rowid FROM " + quoted + " ORDER BY rowid");
    const StatementUse use(rowids);
    int rc;
    while ((rc = sqlite3_step(rowids)) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int64(rowids, 0), false});
    if (rc != SQLITE_DONE)
        connection.fail();

    m_connection = &connection;
    m_quotedTable = quoted;
    m_columns = std::move(columns);
    m_rows = std::move(rows);
    m_live = m_rows.size();
    m_position = 0;
    m_newRecord.reset();
}

bool Recordset::bof() const {
    connection();
    return m_live == 0;
}

bool Recordset::eof() const {
    connection();
    return m_live == 0 || m_position >= m_rows.size();
}

void Recordset::moveFirst() {
    connection();
    m_position = firstLiveFrom(0);
}

void Recordset::moveNext() {
    connection();
    if (m_position >= m_rows.size())
        misuse("no current record");
    m_position = firstLiveFrom(m_position + 1);
}

void Recordset::deleteCurrent() {
    Connection& db = connection();
    if (m_newRecord)
        misuse("a new record is pending");
    if (!hasCurrent())
        misuse("no current record");
    sqlite3_stmt* remove = db.statement("DELETE FROM " + m_quotedTable + " WHERE rowid = ?");
    const StatementUse use(remove);
    if (sqlite3_bind_int64(remove, 1, m_rows[m_position].rowid) != SQLITE_OK ||
        sqlite3_step(remove) != SQLITE_DONE)
        db.fail();
    m_rows[m_position].deleted = true;
    --m_live;
}

void Recordset::addNew() {
    connection();
    if (m_newRecord)
        misuse("a new record is already pending");
    m_newRecord.emplace(m_columns.size());
}

void Recordset::setField(std::string_view column, Value value) {
    connection();
    if (!m_newRecord)
        misuse("no new record pending");
    (*m_newRecord)[columnIndex(column)] = std::move(value);
}

void Recordset::update() {
    Connection& db = connection();
    if (!m_newRecord)
        misuse("no new record pending");
    sqlite3_stmt* insert = db.statement(insertSql());
    const StatementUse use(insert);
    int parameter = 0;
    for (const auto& field : *m_newRecord) {
        if (!field)
            continue;
        ++parameter;
        int rc;
        if (const auto* number = std::get_if<long long>(&*field)) {
            rc = sqlite3_bind_int64(insert, parameter, *number);
        } else {
            const std::string& text = std::get<std::string>(*field);
            rc = sqlite3_bind_text64(insert, parameter, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
        }
        if (rc != SQLITE_OK)
            db.fail();
    }
    if (sqlite3_step(insert) != SQLITE_DONE)
        db.fail();
    m_rows.push_back({sqlite3_last_insert_rowid(db.m_db), false});
    ++m_live;
    m_position = m_rows.size() - 1;
    m_newRecord.reset();
}

void Recordset::cancelUpdate() {
    m_newRecord.reset();
}

void Recordset::close() {
    m_connection = nullptr;
    m_quotedTable.clear();
    m_columns.clear();
    m_rows.clear();
    m_live = 0;
    m_position = 0;
    m_newRecord.reset();
}

Connection& Recordset::connection() const {
    if (!m_connection)
        misuse("the recordset is not open");
    m_connection->requireOpen();
    return *m_connection;
}

size_t Recordset::columnIndex(std::string_view column) const {
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (AsciiText::equalsIgnoringCase(m_columns[i], column))
            return i;
    }
    throw DatabaseError(SQLITE_ERROR, "no such column: " + std::string(column));
}

// One statement per set of columns given a value, so columns left out keep the table's default.
std::string Recordset::insertSql() const {
    std::string names;
    std::string parameters;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (!(*m_newRecord)[i])
            continue;
        if (!names.empty()) {
            names += ", ";
            parameters += ", ";
        }
        names += QuoteIdentifier(m_columns[i]);
        parameters += '?';
    }
    if (names.empty())
        return "INSERT INTO " + m_quotedTable + " DEFAULT VALUES";
    return "INSERT INTO " + m_quotedTable + " (" + names + ") VALUES (" + parameters + ")";
}

size_t Recordset::firstLiveFrom(size_t index) const {
    while (index < m_rows.size() && m_rows[index].deleted)
        ++index;
    return index;
}

long long Recordset::currentRowid() const {
    connection();
    if (!hasCurrent())
        misuse("no current record");
    return m_rows[m_position].rowid;
}

bool Recordset::hasCurrent() const {
    return m_position < m_rows.size() && !m_rows[m_position].deleted;
}
