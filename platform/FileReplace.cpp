#include "platform/FileReplace.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace FileReplace {

namespace {

// Enough fresh names to get past a few stale or planted ones; a folder crowded beyond that is refused.
constexpr int kNameAttempts = 16;

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A temporary file beside the target that did not exist before: O_EXCL makes the open fail on any name
// that is taken, a symbolic link included, so nothing is ever written into what stood there.
class Temporary {
public:
    explicit Temporary(const fs::path& target) {
        std::string base(1, '.');
        base += target.filename().string();
        base += ".tmp-";
        base += std::to_string(::getpid());
        for (int attempt = 0; attempt < kNameAttempts && m_fd < 0; ++attempt) {
            m_path = target.parent_path() / (attempt == 0 ? base : base + "-" + std::to_string(attempt));
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        m_made = m_fd >= 0;
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_made) {
            std::error_code error;
            fs::remove(m_path, error);
        }
    }

    bool opened() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const fs::path& path() const { return m_path; }

    // Closes the file and renames it over the target; on failure the destructor removes it.
    bool moveOver(const fs::path& target) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            return false;
        std::error_code error;
        fs::rename(m_path, target, error);
        if (error)
            return false;
        m_made = false;
        return true;
    }

private:
    fs::path m_path;
    int m_fd = -1;
    bool m_made = false;
};

} // namespace

bool withText(const fs::path& target, std::string_view text) {
    Temporary temporary(target);
    return temporary.opened() && writeAll(temporary.fd(), text.data(), text.size()) &&
           temporary.moveOver(target);
}

bool withCopy(const fs::path& source, const fs::path& target) {
    // Only a regular file is copied: a pipe would block and a device would never end.
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return false;
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return false;
    }
    Temporary temporary(target);
    bool ok = temporary.opened();
    std::array<char, 1 << 16> buffer;
    while (ok) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(temporary.fd(), buffer.data(), static_cast<size_t>(n));
    }
    ::close(in);
    return ok && temporary.moveOver(target);
}

bool withWriter(const fs::path& target, const std::function<bool(const fs::path& temporary)>& write) {
    Temporary temporary(target);
    return temporary.opened() && write(temporary.path()) && temporary.moveOver(target);
}

} // namespace FileReplace
