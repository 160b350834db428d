#pragma once

// What an indexing run writes its records into; the profile's search engine decides. The browser's engine
// reads the index data file, the server-side engines the index database, and a page that searches the
// database's prepared search tables needs those made when the run ends.
struct IndexStores {
    bool dataFile = false;
    bool database = false;
    bool searchTables = false;
};
