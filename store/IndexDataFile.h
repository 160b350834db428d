#pragma once

#include <string>
#include <string_view>

#include "store/IndexStores.h"

// Appends one piece of the index data file. Only a run whose engine reads the data file writes it; the
// others succeed without touching it. False when the piece could not be written whole.
bool AppendToFile(std::string_view text, const std::string& path, const IndexStores& stores);

// Our message when the header or trailer of the index data file could not be written.
std::string IndexDataWriteFailure(const std::string& path);

// The data file a run writes until it ends: beside the index data file, and renamed over it only when the
// run has written its trailer, so a run that fails or is killed leaves the previous index as it was.
std::string PendingIndexDataPath(const std::string& indexDataPath);

// True when the file holds a whole index: the header at its start and a trailer at its end.
bool IsCompleteIndexData(const std::string& path);
