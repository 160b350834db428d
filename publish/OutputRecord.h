#pragma once

#include <filesystem>
#include <map>
#include <string>

// The files the generator wrote into an output folder, kept in that folder as ".findlark-files", so a
// later generation replaces or removes a file only when it still holds what was written. Each file is
// known by the SHA-256 of its bytes rather than by its size and time: uploads, backups and copies change
// the time of an unchanged file, and a file edited to the same size in the same second keeps both.
class OutputRecord {
public:
    static constexpr const char* kFileName = ".findlark-files";

    // Reads the folder's record; a folder without one has none of its files recorded.
    explicit OutputRecord(std::filesystem::path folder);

    // True when the name (relative to the folder, "/" between folders) is recorded and is still a
    // regular file holding the bytes that were written.
    bool holdsWhatWasWritten(const std::string& name) const;

    // Records what the name holds now: its bytes when it is a regular file, nothing when it is not.
    void update(const std::string& name);

    // Writes the record into the folder, leaving out names that are no longer there.
    bool save() const;

private:
    std::filesystem::path m_folder;
    std::map<std::string, std::string> m_digests; // name to SHA-256, in hexadecimal
};
