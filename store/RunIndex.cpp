#include "store/RunIndex.h"

#include <filesystem>

#include "app/MessageService.h"
#include "app/ProductInfo.h"
#include "app/RunView.h"
#include "index/IndexRecord.h"
#include "platform/FileLock.h"
#include "store/IndexDataFile.h"
#include "store/IndexDatabase.h"

namespace fs = std::filesystem;

Result<> BeginRunIndex(const IndexStores& stores, const std::string& indexDataPath, IndexDatabase& database) {
    const std::string pending = PendingIndexDataPath(indexDataPath);
    std::error_code error;
    fs::remove(pending, error);
    database.DeleteAllRecords();
    if (AppendToFile(IndexDataFormat::kHeader, pending, stores))
        return {};
    return Failure{IndexDataWriteFailure(indexDataPath)};
}

Result<> EndRunIndex(const IndexStores& stores, int databaseType, const std::string& indexDataPath,
                     IndexDatabase& database, int recordCount, bool recordsWritten) {
    const std::string pending = PendingIndexDataPath(indexDataPath);
    std::error_code error;
    if (!stores.dataFile) {
        if (!database.CloseDatabase(databaseType))
            return Failure{}; // the database said why
        // The new rows are the index now; a data file of an earlier JavaScript run is not.
        fs::remove(indexDataPath, error);
        fs::remove(pending, error);
        return {};
    }
    database.CloseDatabase(databaseType);
    const bool trailer = AppendToFile(IndexDataFormat::trailer(recordCount), pending, stores);
    if (trailer && recordsWritten && IsCompleteIndexData(pending)) {
        fs::rename(pending, indexDataPath, error);
        if (!error)
            return {};
    }
    fs::remove(pending, error);
    return Failure{IndexDataWriteFailure(indexDataPath)};
}

void AbandonRunIndex(const std::string& indexDataPath, IndexDatabase& database) {
    database.AbandonRun();
    std::error_code error;
    fs::remove(PendingIndexDataPath(indexDataPath), error);
}

void FinishRun(RunContext& context, int recordCount, bool recordsWritten, bool runFailed) {
    RunView& view = context.view;
    if (runFailed) {
        AbandonRunIndex(context.indexDataPath, context.database);
    } else if (const Result<> ended =
                   EndRunIndex(context.stores, context.profile.DatabaseType, context.indexDataPath,
                               context.database, recordCount, recordsWritten);
               !ended && !ended.reason().empty()) {
        view.showMessage(ended.reason());
    }
    // Released before the idle flag is set, so whoever sees the run ended may take the index at once.
    if (context.runLock)
        context.runLock->unlock();
    view.setStopEnabled(false);
    view.setGoEnabled(true);
    context.idleFlag = 1;
    view.setStatusText("Finish");
    view.setCurrentItem(ProductInfo::kWebAddress);
}
