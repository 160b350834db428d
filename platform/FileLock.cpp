#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FileLock::FileLock(std::string path) : m_path(std::move(path)) {}

FileLock::~FileLock() {
    unlock();
}

bool FileLock::tryLock() {
    if (m_locked)
        return true;
    // Close-on-exec: a program started meanwhile (the preview server) must not inherit and keep the lock.
    // flock rather than fcntl, whose locks are per process and would let a second holder in this one.
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_locked = true;
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_locked = true;
    return true;
}

void FileLock::unlock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor drops the lock
    m_fd = -1;
    m_locked = false;
}
