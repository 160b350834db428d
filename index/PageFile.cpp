#include "index/PageFile.h"
#include "platform/AsciiText.h"

#include <cstring>
#include <functional>
#include <string_view>

#include "index/PageCharset.h"
#include "platform/TextFile.h"

namespace {

constexpr size_t npos = std::string_view::npos;

size_t lineEnd(std::string_view s, size_t i) {
    while (i < s.size() && !AsciiText::isLineBreak(s[i]))
        ++i;
    return i;
}

// Position of the first "<" of the line that starts a tag whose name begins with "body" (white space
// after the "<" allowed, any letter case), or npos.
size_t bodyTagStart(std::string_view line) {
    for (size_t at = line.find('<'); at != npos; at = line.find('<', at + 1)) {
        size_t name = at + 1;
        while (name < line.size() && AsciiText::isWhiteSpace(line[name]))
            ++name;
        if (AsciiText::startsWithIgnoringCase(line.substr(name), "body"))
            return at;
    }
    return npos;
}

// Rewrites the file's bytes in place as its lines joined by one LF: every line end (CR LF, LF or a lone
// CR) becomes one LF and a final line end is dropped. The result is never longer than the file, so even
// a very large page needs no second buffer.
void joinLines(std::string& content, bool stopAtBody) {
    // Most pages end their lines with LF alone: they are joined already, but for a final line end.
    if (!stopAtBody && std::memchr(content.data(), '\r', content.size()) == nullptr) {
        if (!content.empty() && content.back() == '\n')
            content.pop_back();
        return;
    }
    const std::string_view all(content);
    size_t read = 0;
    size_t write = 0;
    bool first = true;
    while (read < all.size()) {
        const size_t end = lineEnd(all, read);
        std::string_view line = all.substr(read, end - read);
        const size_t body = stopAtBody ? bodyTagStart(line) : npos;
        if (body != npos)
            line = line.substr(0, body);
        if (!first)
            content[write++] = '\n';
        first = false;
        if (write != read)
            std::memmove(content.data() + write, line.data(), line.size());
        write += line.size();
        if (body != npos)
            break;
        read = end;
        if (read < all.size() && all[read] == '\r' && read + 1 < all.size() && all[read + 1] == '\n')
            ++read;
        if (read < all.size())
            ++read;
    }
    content.resize(write);
}

} // namespace

bool ReadPageFile(const std::string& path, std::string& content, int indexStrategy, PageStop* stop,
                  std::string_view fallbackCharset) {
    std::function<bool()> stopRequested;
    if (stop)
        stopRequested = [stop] { return stop->requested(); };
    if (!TextFile::readAll(path, content, stopRequested)) {
        content.clear();
        return false;
    }
    // Before the lines are joined: in UTF-16 a line feed is two bytes.
    PageToUtf8(content, {}, fallbackCharset);
    joinLines(content, indexStrategy != 0);
    return true;
}

std::string_view CutBeforeBody(std::string_view text) {
    const size_t body = bodyTagStart(text);
    return body == npos ? std::string_view() : text.substr(0, body);
}
