#include "store/RecordWriter.h"

#include "store/IndexDataFile.h"
#include "store/IndexDatabase.h"

RecordWriter::RecordWriter(const ProfileSettings& profile, const IndexStores& stores,
                           std::string indexDataPath, IndexDatabase& database)
    : m_profile(profile), m_stores(stores), m_pendingDataPath(PendingIndexDataPath(indexDataPath)),
      m_database(database) {}

bool RecordWriter::write(int number, const std::string& location, const std::string& root,
                         PageFields fields) {
    IndexRecord record{number, MakeRecordLink(location, root, m_profile), std::move(fields)};
    const bool appended = AppendToFile(IndexDataFormat::recordLine(record), m_pendingDataPath, m_stores);
    m_allWritten = m_allWritten && appended;
    const PageFields& f = record.fields;
    const bool added = m_database.AddRecord(number, record.link, f.title, f.text, f.keywords, f.description,
                                            f.linkDescription);
    return appended && added;
}
