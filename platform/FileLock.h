#pragma once

#include <string>

// An exclusive lock on a file, for work that only one holder at a time may do on a folder, whether the
// holders are in different processes or in one. The system drops the lock when its holder's process ends,
// however it ends, so a killed holder never leaves the lock taken.
class FileLock {
public:
    explicit FileLock(std::string path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting; false when another holder has it. The file is made when missing.
    // A file that cannot be made or opened means the folder cannot be written, so no one can do the
    // work the lock guards there, and the lock counts as taken.
    bool tryLock();
    // Harmless when not held; may be called from another thread than tryLock, though never at once.
    void unlock();
    bool locked() const { return m_locked; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_locked = false;
};
