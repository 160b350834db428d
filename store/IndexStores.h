#pragma once

// What an indexing run writes its records into; the profile's search engine decides. The browser's engine
// reads the index data file, the server-side engines the index database, and their pages answer from the
// word index the run writes into the database when it ends.
struct IndexStores {
    bool dataFile = false;
    bool database = false;
    bool wordIndex = false; // the word index the server-side pages answer from
};
