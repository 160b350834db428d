#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TextFile {

namespace {

constexpr size_t kStopCheckBytes = size_t{1} << 20;

} // namespace

bool readAll(const std::string& path, std::string& content, const std::function<bool()>& stopRequested) {
    content.clear();
    // Only regular files are read: a pipe would block and a device (a link to /dev/zero) never ends.
    // Opening without blocking keeps a pipe from stopping the program before it can be refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    // The bytes go straight into the content, whose capacity a caller may keep from file to file: a file
    // whose size is known takes one read and no copy. A byte to spare lets the read that meets the end go
    // without growing it. With a stop to ask, the room is made and filled a chunk at a time, since making
    // room for a huge file, or reading it, in one go would hold a Stop for that long.
    const size_t expected = info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : size_t{1} << 16;
    const size_t step = stopRequested ? kStopCheckBytes : 0;
    if (step)
        content.reserve(expected);
    size_t used = 0;
    size_t checkAfter = kStopCheckBytes;
    bool ok = true;
    for (;;) {
        if (used == content.size()) {
            const size_t room = used < expected ? expected : used * 2;
            content.resize(step ? std::min(used + step, room) : room);
        }
        if (step && used > checkAfter) {
            if (stopRequested()) {
                ok = false;
                break;
            }
            checkAfter = used;
        }
        const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
        if (n > 0) {
            used += static_cast<size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    content.resize(ok ? used : 0);
    ::close(fd);
    return ok;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

bool readLines(const std::string& path, std::vector<std::string>& lines) {
    std::string content;
    if (!readAll(path, content)) {
        lines.clear();
        return false;
    }
    lines = splitLines(content);
    return true;
}

bool append(const std::string& path, std::string_view text) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return written && flushed && closed;
}

} // namespace TextFile
