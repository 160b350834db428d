#pragma once

#include <string>

#include "index/IndexRecord.h"
#include "store/IndexStores.h"

class IndexDatabase;
struct ProfileSettings;

// Writes index records where the run keeps them: a record line of the run's new data file and a database
// row in the run's new database file.
class RecordWriter {
public:
    RecordWriter(const ProfileSettings& profile, const IndexStores& stores, std::string indexDataPath,
                 IndexDatabase& database);

    // Builds the record of the page at `location` under `root` and writes it; true when both writes
    // succeeded.
    bool write(int number, const std::string& location, const std::string& root, PageFields fields);
    // True while every record line has reached the run's data file.
    bool allWritten() const { return m_allWritten; }

private:
    const ProfileSettings& m_profile;
    IndexStores m_stores;
    std::string m_pendingDataPath;
    bool m_allWritten = true;
    IndexDatabase& m_database;
};
