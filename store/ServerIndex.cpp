#include "store/ServerIndex.h"

#include "platform/Database.h"

#include <mysql.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <vector>

#include "app/MessageService.h"
#include "app/Settings.h"
#include "platform/Database.h"

namespace {

// Rows read from the run's file at a time, and the size a multi-row INSERT grows to before it is sent:
// large enough that the server's round trips cost little, well below its default packet limit (16 MB).
constexpr size_t kReadChunk = 2048;
constexpr size_t kStatementBytes = 4 << 20;
// Text keys are indexed by their first bytes; the pages look up whole words, which the prefix narrows
// down to a row or two.
constexpr int kKeyPrefix = 255;
constexpr const char* kNewSuffix = "_new";
constexpr const char* kOldSuffix = "_old";
constexpr const char* kCopyStopped = "the copy to the server was stopped";

struct MysqlCloser {
    void operator()(MYSQL* mysql) const { mysql_close(mysql); }
};
using MysqlHandle = std::unique_ptr<MYSQL, MysqlCloser>;

std::string quotedName(const std::string& name) {
    return QuoteIdentifier(name, '`');
}

std::string sqliteName(const std::string& name) {
    return QuoteIdentifier(name);
}

std::string serverFailure(MYSQL* mysql) {
    return FillMessage("the database server said: %s", mysql_error(mysql));
}

Result<MysqlHandle> connect(const ServerAccount& account) {
    std::optional<std::string> password;
    if (!account.passwordFile.empty()) {
        Result<std::string> read = ReadPasswordFile(account.passwordFile);
        if (!read)
            return Failure{read.reason()};
        password = *read;
    }
    MysqlHandle mysql(mysql_init(nullptr));
    if (!mysql)
        return Failure{"the database client could not start (out of memory)"};
    // The option files give what the settings leave out, the password above all: the [client] group of
    // ~/.my.cnf, and a [findlark] group for an account of its own.
    mysql_options(mysql.get(), MYSQL_READ_DEFAULT_GROUP, "findlark");
    // Bytes travel as they are: the tables hold binary strings, exactly the bytes the file holds.
    mysql_options(mysql.get(), MYSQL_SET_CHARSET_NAME, "binary");
    const auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
    if (!mysql_real_connect(mysql.get(), orNull(account.host), orNull(account.user),
                            password ? password->c_str() : nullptr, orNull(account.database),
                            static_cast<unsigned>(account.port), orNull(account.socket), 0))
        return Failure{serverFailure(mysql.get())};
    return mysql;
}

Result<> run(MYSQL* mysql, const std::string& sql) {
    if (mysql_real_query(mysql, sql.data(), sql.size()) != 0)
        return Failure{serverFailure(mysql)};
    // A statement that returns rows has them read and dropped, so the next one can be sent.
    if (MYSQL_RES* result = mysql_store_result(mysql))
        mysql_free_result(result);
    return {};
}

Result<std::vector<std::string>> firstColumn(MYSQL* mysql, const std::string& sql) {
    if (mysql_real_query(mysql, sql.data(), sql.size()) != 0)
        return Failure{serverFailure(mysql)};
    MYSQL_RES* result = mysql_store_result(mysql);
    if (!result)
        return Failure{serverFailure(mysql)};
    std::vector<std::string> values;
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        values.emplace_back(row[0] ? std::string(row[0], lengths[0]) : std::string());
    }
    mysql_free_result(result);
    return values;
}

std::string escaped(MYSQL* mysql, const std::string& value) {
    std::string out(value.size() * 2 + 1, '\0');
    out.resize(mysql_real_escape_string(mysql, out.data(), value.data(), value.size()));
    return out;
}

bool isIntegerType(std::string type) {
    for (char& c : type)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return type.find("INT") != std::string::npos;
}

// One table of the run's file as the server holds it.
struct TableCopy {
    std::string name;
    std::vector<std::string> columns;
    // The file's rowid travels as a column of its own where nothing else names a row: the pages
    // address IndexData's rows by it.
    bool keepsRowid = false;
    std::string definition; // the columns and keys of CREATE TABLE
};

TableCopy describe(Connection& file, const std::string& table) {
    TableCopy copy{table, {}, false, {}};
    std::vector<std::string> parts;
    std::vector<std::pair<int, std::string>> primary;
    std::vector<bool> integer;
    for (const Connection::TextRow& column : file.textRows("PRAGMA table_info(" + sqliteName(table) + ")")) {
        const std::string name = column.at(1).value_or("");
        const bool isInteger = isIntegerType(column.at(2).value_or(""));
        copy.columns.push_back(name);
        integer.push_back(isInteger);
        parts.push_back(quotedName(name) + (isInteger ? " BIGINT" : " LONGBLOB") +
                        (column.at(3).value_or("0") != "0" ? " NOT NULL" : ""));
        if (const int position = std::stoi(column.at(5).value_or("0")); position > 0)
            primary.emplace_back(position, name);
    }
    const auto keyColumn = [&](const std::string& name) {
        for (size_t c = 0; c < copy.columns.size(); ++c) {
            if (copy.columns[c] == name)
                return integer[c]
                           ? quotedName(name)
                           : quotedName(name).append("(").append(std::to_string(kKeyPrefix)).append(")");
        }
        return quotedName(name);
    };
    const auto allInteger = [&](const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            for (size_t c = 0; c < copy.columns.size(); ++c) {
                if (copy.columns[c] == name && !integer[c])
                    return false;
            }
        }
        return true;
    };
    std::sort(primary.begin(), primary.end());
    std::vector<std::string> primaryNames;
    for (const auto& [position, name] : primary)
        primaryNames.push_back(name);
    if (primaryNames.empty()) {
        copy.keepsRowid = true;
        parts.insert(parts.begin(), "`rowid` BIGINT NOT NULL PRIMARY KEY");
    } else {
        // A key over a prefix of text cannot be unique: two long words may share their first bytes.
        std::string key = allInteger(primaryNames) ? "PRIMARY KEY (" : "KEY (";
        for (size_t k = 0; k < primaryNames.size(); ++k)
            key.append(k ? "," : "").append(keyColumn(primaryNames[k]));
        parts.push_back(key + ")");
    }
    for (const Connection::TextRow& index : file.textRows("PRAGMA index_list(" + sqliteName(table) + ")")) {
        if (index.at(3).value_or("") == "pk")
            continue;
        std::vector<std::string> names;
        for (const Connection::TextRow& column :
             file.textRows("PRAGMA index_info(" + sqliteName(index.at(1).value_or("")) + ")"))
            names.push_back(column.at(2).value_or(""));
        std::string key = index.at(2).value_or("0") != "0" && allInteger(names) ? "UNIQUE KEY (" : "KEY (";
        for (size_t k = 0; k < names.size(); ++k)
            key.append(k ? "," : "").append(keyColumn(names[k]));
        parts.push_back(key + ")");
    }
    for (size_t p = 0; p < parts.size(); ++p)
        copy.definition += (p ? ", " : "") + parts[p];
    return copy;
}

Result<> copyRows(MYSQL* mysql, Connection& file, const TableCopy& table, const std::atomic<int>* stop) {
    std::string head = "INSERT INTO " + quotedName(table.name + kNewSuffix) + " (";
    if (table.keepsRowid)
        head += "`rowid`,";
    for (size_t c = 0; c < table.columns.size(); ++c)
        head.append(c ? "," : "").append(quotedName(table.columns[c]));
    head += ") VALUES ";
    std::string statement;
    const auto flush = [&]() -> Result<> {
        if (statement.empty())
            return {};
        Result<> sent = run(mysql, statement);
        statement.clear();
        return sent;
    };
    // Paged by rowid, which SQLite finds by its own key: every page costs the same, however far in.
    std::string last = "-9223372036854775808";
    for (;;) {
        if (stop && *stop)
            return Failure{kCopyStopped};
        const std::vector<Connection::TextRow> rows =
            file.textRows("SELECT rowid, * FROM " + sqliteName(table.name) + " WHERE rowid > " + last +
                          " ORDER BY rowid LIMIT " + std::to_string(kReadChunk));
        for (const Connection::TextRow& row : rows) {
            statement += statement.empty() ? head : ",";
            statement += '(';
            for (size_t v = table.keepsRowid ? 0 : 1; v < row.size(); ++v) {
                if (v > (table.keepsRowid ? 0u : 1u))
                    statement += ',';
                if (row[v])
                    statement.append("'").append(escaped(mysql, *row[v])).append("'");
                else
                    statement.append("NULL");
            }
            statement += ')';
            if (statement.size() >= kStatementBytes) {
                if (Result<> sent = flush(); !sent)
                    return sent;
            }
        }
        if (rows.size() < kReadChunk)
            break;
        last = *rows.back()[0];
    }
    return flush();
}

} // namespace

ServerAccount ServerAccount::Of(const ProfileSettings& profile) {
    return {profile.MySqlHost,     profile.MySqlPort, profile.MySqlSocket,
            profile.MySqlDatabase, profile.MySqlUser, profile.MySqlPasswordFile};
}

Result<std::string> ReadPasswordFile(const std::string& path) {
    // Opened first and checked by its handle, so the file read is the file checked.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return Failure{FillMessage("The password file %s cannot be read.", path)};
    struct stat status {};
    std::string text;
    const bool checked = ::fstat(fd, &status) == 0;
    const bool own = checked && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
                     (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
    if (own) {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 65536)
            text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    if (!own)
        return Failure{FillMessage("The password file %s may be read or changed by other users, or is not "
                                   "your own file: make it yours and readable only by you (chmod 600).",
                                   path)};
    const size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

Result<> ServerIndex::check() const {
    Result<MysqlHandle> mysql = connect(m_account);
    if (!mysql)
        return Failure{mysql.reason()};
    return {};
}

Result<> ServerIndex::publish(const std::string& runFile, const std::atomic<int>* stop) const {
    Result<MysqlHandle> connected = connect(m_account);
    if (!connected)
        return Failure{connected.reason()};
    MYSQL* mysql = connected->get();
    std::vector<TableCopy> tables;
    Connection file;
    try {
        file.open(runFile);
        for (const Connection::TextRow& table : file.textRows(
                 "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                 "ESCAPE '\\' ORDER BY name"))
            tables.push_back(describe(file, table.at(0).value_or("")));
    } catch (const DatabaseError& error) {
        return Failure{error.what()};
    }
    // What a killed run left is dropped first; the served tables are never touched before the swap.
    for (const TableCopy& table : tables) {
        const std::string fresh = quotedName(table.name + kNewSuffix);
        for (const std::string& sql :
             {"DROP TABLE IF EXISTS " + fresh + ", " + quotedName(table.name + kOldSuffix),
              "CREATE TABLE " + fresh + " (" + table.definition + ") ENGINE=InnoDB"}) {
            if (Result<> done = run(mysql, sql); !done)
                return done;
        }
    }
    // One transaction for every row: the server writes its log once, not once per statement.
    if (Result<> begun = run(mysql, "START TRANSACTION"); !begun)
        return begun;
    try {
        for (const TableCopy& table : tables) {
            if (Result<> copied = copyRows(mysql, file, table, stop); !copied)
                return copied;
        }
    } catch (const DatabaseError& error) {
        return Failure{error.what()};
    }
    file.close();
    if (Result<> committed = run(mysql, "COMMIT"); !committed)
        return committed;

    Result<std::vector<std::string>> served = firstColumn(
        mysql, "SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE()");
    if (!served)
        return Failure{served.reason()};
    std::string swap;
    std::vector<std::string> old;
    for (const TableCopy& table : tables) {
        const std::string name = quotedName(table.name);
        bool exists = false;
        for (const std::string& present : *served)
            exists = exists || present == table.name;
        if (exists) {
            swap += (swap.empty() ? "" : ", ") + name + " TO " + quotedName(table.name + kOldSuffix);
            old.push_back(quotedName(table.name + kOldSuffix));
        }
        swap += (swap.empty() ? "" : ", ") + quotedName(table.name + kNewSuffix) + " TO " + name;
    }
    if (m_beforeSwap)
        m_beforeSwap(mysql_thread_id(mysql));
    if (stop && *stop)
        return Failure{kCopyStopped};
    if (Result<> swapped = run(mysql, "RENAME TABLE " + swap); !swapped)
        return swapped;
    // The new index is served now; a table left over here is dropped by the next run.
    for (const std::string& table : old)
        (void)run(mysql, "DROP TABLE IF EXISTS " + table);
    return {};
}
