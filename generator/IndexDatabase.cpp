#include "generator/IndexDatabase.h"

#include "app/MessageService.h"
#include "platform/Database.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr const char* kDatabaseFile = "/IndexData.mdb";
constexpr const char* kTable = "IndexData";

constexpr const char* kConnectError = "Connect to database error!\nError info:%s";
constexpr const char* kDeleteError = "Delete record from database failure!\nError info:%s";
constexpr const char* kAddError = "Add record to database failure!\nError info:%s";

// FileName, Title and LinkDescription hold at most this many bytes.
constexpr size_t kShortTextLimit = 254;
// One commit per row would make a run many times slower than writing the script file; a batch this size
// keeps commits rare while a killed run loses little.
constexpr int kRowsPerCommit = 1000;

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

std::string fillIn(std::string_view format, const std::string& text) {
    std::string result(format);
    if (const size_t at = result.find("%s"); at != std::string::npos)
        result.replace(at, 2, text);
    return result;
}

// SQLite's text functions and the ODBC driver that reads the file on a web server stop at a NUL byte, so
// a page's NUL is stored as the blank that the search shows and searches in its place.
std::string withoutNul(std::string text) {
    std::replace(text.begin(), text.end(), '\0', ' ');
    return text;
}

void setIfNotEmpty(Recordset& recordset, std::string_view column, const std::string& value) {
    if (!value.empty())
        recordset.setField(column, withoutNul(value));
}

} // namespace

IndexDatabase::IndexDatabase(std::string programFolder, MessageService& messages)
    : m_programFolder(std::move(programFolder)), m_messages(messages),
      m_connection(std::make_unique<Connection>()), m_recordset(std::make_unique<Recordset>()) {}

// A run whose end never came still keeps the rows it added, as each of them was reported stored.
IndexDatabase::~IndexDatabase() {
    release(false);
}

bool IndexDatabase::ConnectDatabase(int scriptType, int /*databaseType: Access is the only kind*/) {
    release(true);
    m_scriptType = scriptType;
    if (isJavaScript())
        return true;
    m_connection = std::make_unique<Connection>();
    m_recordset = std::make_unique<Recordset>();
    try {
        m_connection->open(m_programFolder + kDatabaseFile);
        // The batches of a run are not synced one by one; closing the run syncs the file once.
        m_connection->setUnsynced();
        // The snapshot is taken inside the transaction, so nothing can change the table under the cursor.
        m_connection->beginTrans();
        m_recordset->open(*m_connection, kTable);
    } catch (const DatabaseError& error) {
        // Closing rolls back and drops the write lock, so a failed start leaves the file as it was.
        m_recordset->close();
        m_connection->close();
        report(kConnectError, error.what());
        return false;
    }
    m_recordsetOpen = true;
    m_uncommittedRows = 0;
    return true;
}

bool IndexDatabase::DeleteAllRecords() {
    if (isJavaScript())
        return true;
    try {
        if (!m_recordset->bof())
            m_recordset->moveFirst();
        while (!m_recordset->eof()) {
            m_recordset->deleteCurrent();
            m_recordset->moveNext();
        }
    } catch (const DatabaseError& error) {
        report(kDeleteError, error.what());
        return false;
    }
    return true;
}

bool IndexDatabase::AddRecord(int number, const std::string& fileName, const std::string& title,
                              const std::string& text, const std::string& keywords,
                              const std::string& description, const std::string& linkDescription) {
    if (isJavaScript())
        return true;
    if (fileName.empty())
        return false;
    try {
        m_recordset->addNew();
        m_recordset->setField("ID", static_cast<long long>(number));
        m_recordset->setField("FileName", withoutNul(cutShortText(fileName)));
        setIfNotEmpty(*m_recordset, "Title", cutShortText(title));
        setIfNotEmpty(*m_recordset, "Text", text);
        setIfNotEmpty(*m_recordset, "Keywords", keywords);
        setIfNotEmpty(*m_recordset, "Description", description);
        setIfNotEmpty(*m_recordset, "LinkDescription", cutShortText(linkDescription));
        m_recordset->update();
        if (++m_uncommittedRows >= kRowsPerCommit)
            commitBatch();
    } catch (const DatabaseError& error) {
        m_recordset->cancelUpdate();
        report(kAddError, error.what());
        return false;
    }
    return true;
}

bool IndexDatabase::CloseDatabase(int /*databaseType*/) {
    if (isJavaScript())
        return true;
    release(true);
    return true;
}

bool IndexDatabase::isJavaScript() const {
    return m_scriptType == 0;
}

// A failed COMMIT is retried with the next record: the count stays up until it succeeds. When SQLite has
// rolled the batch back instead, the next commit finds no transaction and simply starts a new one.
void IndexDatabase::commitBatch() {
    if (m_connection->inTransaction())
        m_connection->commitTrans();
    m_uncommittedRows = 0;
    m_connection->beginTrans();
}

void IndexDatabase::release(bool reportLostRows) {
    if (m_recordsetOpen)
        m_recordset->close();
    if (m_connection->state() == Connection::State::Closed)
        return;
    try {
        if (m_connection->inTransaction())
            m_connection->commitTrans();
    } catch (const DatabaseError& error) {
        // The rows of the last batch are gone; the user was told they were stored, so say otherwise.
        if (reportLostRows)
            report(kAddError, error.what());
    }
    m_connection->close();
    Connection::syncFile(m_programFolder + kDatabaseFile);
}

void IndexDatabase::report(const char* format, const std::string& errorText) {
    m_messages.showMessage(fillIn(format, errorText));
}
