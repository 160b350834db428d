#include "store/IndexDatabase.h"

#include "app/MessageService.h"
#include "platform/Database.h"
#include "store/WordIndex.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kTable = "IndexData";
// The table and whatever is made on it (indexes, triggers), as the empty database gives them.
constexpr const char* kTableSchema =
    "SELECT sql FROM sqlite_master WHERE tbl_name = 'IndexData' COLLATE NOCASE "
    "AND sql IS NOT NULL ORDER BY type <> 'table', rowid";

constexpr const char* kConnectError = "Connect to database error!\nError info:%s";
constexpr const char* kDeleteError = "Delete record from database failure!\nError info:%s";
constexpr const char* kAddError = "Add record to database failure!\nError info:%s";
// SQLite may roll the whole transaction back by itself on a full disk, an I/O error or a lack of memory;
// a write after that would be committed on its own.
constexpr const char* kRolledBack = "the database ended the run's transaction after an error";
constexpr const char* kStoringStopped =
    "The work was stopped while the index was being stored: the index of the run before is kept.";

// FileName, Title and LinkDescription hold at most this many bytes.
constexpr size_t kShortTextLimit = 254;

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts at a character boundary so the stored text stays valid UTF-8. Text that is not UTF-8 (more than three
// continuation bytes in a row) is cut at the limit itself.
std::string cutShortText(const std::string& text) {
    if (text.size() <= kShortTextLimit)
        return text;
    for (size_t cut = kShortTextLimit; cut + 3 >= kShortTextLimit; --cut) {
        if (!isContinuationByte(text[cut]))
            return text.substr(0, cut);
    }
    return text.substr(0, kShortTextLimit);
}

// SQLite's text functions and the ODBC driver that reads the file on a web server stop at a NUL byte, so
// a page's NUL is stored as the blank that the search shows and searches in its place.
std::string withoutNul(std::string text) {
    // A NUL is rare, and looking for one is much cheaper than replacing byte by byte.
    if (text.find('\0') != std::string::npos)
        std::replace(text.begin(), text.end(), '\0', ' ');
    return text;
}

void setIfNotEmpty(Recordset& recordset, std::string_view column, const std::string& value) {
    if (!value.empty())
        recordset.setField(column, value);
}

// Read from the index, which was made from the empty database; a missing file or one that is no database
// fails here, and is left as it was.
std::vector<Connection::TextRow> tableSchema(const std::string& databasePath) {
    Connection index;
    index.open(databasePath);
    return index.textRows(kTableSchema);
}

} // namespace

IndexDatabase::IndexDatabase(std::string databasePath, MessageService& messages)
    : m_databasePath(std::move(databasePath)), m_messages(messages),
      m_connection(std::make_unique<Connection>()), m_recordset(std::make_unique<Recordset>()) {}

// A run whose end never came leaves the index of the run before: its own file is dropped.
IndexDatabase::~IndexDatabase() {
    release(false);
}

bool IndexDatabase::ConnectDatabase(const IndexStores& stores,
                                    int /*databaseType: Access is the only kind*/) {
    release(false);
    removeRunFile(); // what a killed run left
    m_stores = stores;
    m_runFailed = false;
    m_wordIndex.reset();
    if (writesNoDatabase())
        return true;
    if (m_server) {
        if (const Result<> reached = m_server->check(); !reached) {
            report(kConnectError, reached.reason());
            return false;
        }
    }
    if (m_stores.wordIndex)
        m_wordIndex = std::make_unique<WordIndex::Builder>();
    m_connection = std::make_unique<Connection>();
    m_recordset = std::make_unique<Recordset>();
    try {
        // The run writes a new file beside the index, which takes the index's place only when the run has
        // ended well: the previous index stays whole through any failure or kill, and a reader never sees
        // half a run.
        const std::vector<Connection::TextRow> schema = tableSchema(m_databasePath);
        m_connection->create(runFilePath());
        // Until it is complete the file is worth nothing, so nothing in it needs undoing or syncing write
        // by write; putting it in place syncs it once.
        m_connection->setUnjournaled();
        m_connection->setUnsynced();
        for (const Connection::TextRow& statement : schema)
            m_connection->executeScript(statement.at(0).value_or(""));
        // One transaction for the whole run, so rows are written to the file in large batches.
        m_connection->beginTrans();
        if (m_connectHook)
            m_connectHook(*m_connection);
        m_recordset->open(*m_connection, kTable);
    } catch (const DatabaseError& error) {
        m_recordset->close();
        m_connection->close();
        removeRunFile();
        report(kConnectError, error.what());
        return false;
    }
    m_recordsetOpen = true;
    return true;
}

bool IndexDatabase::DeleteAllRecords() {
    if (writesNoDatabase())
        return true;
    if (m_runFailed)
        return false;
    try {
        if (!m_recordset->bof())
            m_recordset->moveFirst();
        while (!m_recordset->eof()) {
            m_recordset->deleteCurrent();
            m_recordset->moveNext();
        }
    } catch (const DatabaseError& error) {
        failRun(kDeleteError, error.what());
        return false;
    }
    return true;
}

bool IndexDatabase::AddRecord(int number, const std::string& fileName, const std::string& title,
                              const std::string& text, const std::string& keywords,
                              const std::string& description, const std::string& linkDescription) {
    if (writesNoDatabase())
        return true;
    if (fileName.empty() || m_runFailed)
        return false;
    if (m_recordsetOpen && !m_connection->inTransaction()) {
        failRun(kAddError, kRolledBack);
        return false;
    }
    try {
        // As stored: the word index is made of what the row holds.
        const std::string storedTitle = withoutNul(cutShortText(title));
        const std::string storedText = withoutNul(text);
        const std::string storedKeywords = withoutNul(keywords);
        const std::string storedDescription = withoutNul(description);
        const std::string storedFileName = withoutNul(cutShortText(fileName));
        m_recordset->addNew();
        m_recordset->setField("ID", static_cast<long long>(number));
        m_recordset->setField("FileName", storedFileName);
        setIfNotEmpty(*m_recordset, "Title", storedTitle);
        setIfNotEmpty(*m_recordset, "Text", storedText);
        setIfNotEmpty(*m_recordset, "Keywords", storedKeywords);
        setIfNotEmpty(*m_recordset, "Description", storedDescription);
        setIfNotEmpty(*m_recordset, "LinkDescription", withoutNul(cutShortText(linkDescription)));
        m_recordset->update();
        if (m_wordIndex)
            m_wordIndex->add(m_recordset->currentRowid(), number, storedTitle, storedText, storedKeywords,
                             storedDescription, storedFileName);
    } catch (const DatabaseError& error) {
        m_recordset->cancelUpdate();
        failRun(kAddError, error.what());
        return false;
    }
    return true;
}

bool IndexDatabase::CloseDatabase(int /*databaseType*/) {
    if (writesNoDatabase())
        return true;
    return release(true);
}

void IndexDatabase::setServer(std::optional<ServerAccount> account) {
    if (account)
        m_server.emplace(std::move(*account));
    else
        m_server.reset();
}

void IndexDatabase::AbandonRun() {
    release(false);
}

bool IndexDatabase::release(bool commit) {
    if (m_recordsetOpen)
        m_recordset->close();
    m_recordsetOpen = false;
    if (m_connection->state() == Connection::State::Closed)
        return true;
    bool committed = !commit;
    try {
        if (commit && !m_runFailed && !m_connection->inTransaction())
            throw DatabaseError(0, kRolledBack);
        if (commit && !m_runFailed) {
            // In the run's file: a run that fails here leaves the previous index whole.
            m_connection->setInterruptFlag(m_stopFlag);
            if (m_wordIndex)
                m_wordIndex->write(*m_connection);
            m_connection->commitTrans();
            m_connection->close();
            // The server's tables first: a run the server refused keeps the previous index everywhere.
            if (m_server) {
                if (const Result<> published = m_server->publish(runFilePath(), m_stopFlag); !published)
                    throw DatabaseError(0, published.reason());
            }
            if (stopped())
                throw DatabaseError(0, kStoringStopped);
            Connection::replaceFile(runFilePath(), m_databasePath);
            committed = true;
        }
    } catch (const DatabaseError& error) {
        // The run's rows are gone and the previous ones stay; the user was told they were stored.
        if (stopped())
            m_messages.showMessage(kStoringStopped);
        else
            report(kAddError, error.what());
    }
    m_connection->close();
    m_wordIndex.reset();
    removeRunFile(); // gone already once it is the index
    return committed;
}

bool IndexDatabase::stopped() const {
    return m_stopFlag && *m_stopFlag;
}

std::string IndexDatabase::runFilePath() const {
    return m_databasePath + ".new";
}

void IndexDatabase::removeRunFile() const {
    std::error_code error;
    std::filesystem::remove(runFilePath(), error);
}

void IndexDatabase::report(const char* format, const std::string& errorText) {
    m_messages.showMessage(FillMessage(format, errorText));
}

// One message for the run: after a full disk every later record would fail the same way.
void IndexDatabase::failRun(const char* format, const std::string& errorText) {
    if (!m_runFailed)
        report(format, errorText);
    // Without a run open there is nothing to fail: each call reports its own misuse.
    m_runFailed = m_recordsetOpen;
}

// Opened for writing, as a run opens it: the first read rolls back what a killed run left half written,
// which a read-only look would see instead of the last whole run.
bool IndexDatabase::HasWordIndex(const std::string& databasePath) {
    Connection connection;
    try {
        connection.open(databasePath);
        connection.executeScript("SELECT 1 FROM SearchWords LIMIT 0;");
    } catch (const DatabaseError&) {
        connection.close();
        return false;
    }
    connection.close();
    return true;
}
