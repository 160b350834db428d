#pragma once

#include <atomic>
#include <string>

#include "app/Settings.h"
#include "platform/Result.h"
#include "store/IndexStores.h"

class FileLock;
class IndexDatabase;
class RunView;

// Shown when the index is in use by a run of this or another process.
inline constexpr const char* kIndexingNotFinished =
    "Current indexing work has not been finished yet!\nPlease wait or stop the work to continue.";

// What an indexing job (the folder walk or the crawl) works with: the view it reports to, the run's
// database and a copy of the settings taken when the run started, so that settings edited meanwhile never
// change a running job.
struct RunContext {
    RunView& view;
    IndexDatabase& database;
    ProfileSettings profile;
    // What the run writes, as the profile's search engine asks.
    IndexStores stores;
    int indexColon = 0;
    std::string indexDataPath;
    std::atomic<int>& idleFlag;
    // Held from Go until the run has ended, so no other run starts on the data folder meanwhile.
    FileLock* runLock = nullptr;
};

// Where an indexing run keeps its index until it has ended: the data file is written beside the previous
// one, and the database's new rows in a new database file beside the previous one. Only a run that ends with
// its trailer replaces the previous index; until then, and after any failure, the previous index stays as it
// was.

// Begins the run's index: a pending data file left by a killed run is removed, the run's new database
// file is emptied, the header starts the new data file. A failure when the header could not
// be written.
Result<> BeginRunIndex(const IndexStores& stores, const std::string& indexDataPath, IndexDatabase& database);

// Ends it: writes the trailer and commits the database; then the new index replaces the previous one, but
// only when `recordsWritten` (every record line reached the data file) and everything else succeeded.
// A failure when the previous index is kept; its reason is empty when the database has told it already.
Result<> EndRunIndex(const IndexStores& stores, int databaseType, const std::string& indexDataPath,
                     IndexDatabase& database, int recordCount, bool recordsWritten);

// Ends a run that failed as a whole: its pending data file and its database rows are dropped, and the
// previous index stays exactly as it was.
void AbandonRunIndex(const std::string& indexDataPath, IndexDatabase& database);

// The end of a run, as either job performs it: the index ends (or, for a run that failed as a whole, is
// abandoned), the run lock is released, Stop is disabled and Go enabled, the idle flag is set, "Finish" is
// shown and the current-item line goes back to its idle text.
void FinishRun(RunContext& context, int recordCount, bool recordsWritten, bool runFailed = false);
