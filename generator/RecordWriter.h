#pragma once

#include <string>

#include "index/IndexRecord.h"

class IndexDatabase;
struct ProfileSettings;

// Writes index records where the run keeps them: a record line of the index data file and a database row.
class RecordWriter {
public:
    RecordWriter(const ProfileSettings& profile, std::string indexDataPath, IndexDatabase& database);

    // Builds the record of the page at `location` under `root` and writes it; true when both writes
    // succeeded.
    bool write(int number, const std::string& location, const std::string& root, PageFields fields);

private:
    const ProfileSettings& m_profile;
    std::string m_indexDataPath;
    IndexDatabase& m_database;
};
