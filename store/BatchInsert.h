#pragma once

#include "platform/Database.h"

#include <string>
#include <vector>

// Rows handed to SQLite at a time.
inline constexpr size_t kInsertBatch = 4096;

// Hands rows to SQLite a batch at a time, so that a large site's table is never all in memory at once;
// `flush` hands over what is left.
inline void InsertInBatches(Connection& connection, const std::string& sql,
                            std::vector<Connection::TextRow>& rows, bool flush) {
    if (rows.size() >= kInsertBatch || (flush && !rows.empty())) {
        connection.executeForEach(sql, rows);
        rows.clear();
    }
}
