#include "crawler/UrlHistory.h"

#include <exception>
#include <fstream>
#include <iterator>

namespace {

void putU16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void putU32(std::string& out, std::uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

// Reads little-endian numbers and byte runs, failing (for good) instead of reading past the end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    size_t remaining() const { return m_bytes.size() - m_pos; }

    bool u8(std::uint32_t& v) { return number(1, v); }
    bool u16(std::uint32_t& v) { return number(2, v); }
    bool u32(std::uint32_t& v) { return number(4, v); }

    bool bytes(size_t n, std::string& out) {
        if (n > remaining())
            return false;
        out.assign(m_bytes.substr(m_pos, n));
        m_pos += n;
        return true;
    }

private:
    bool number(size_t size, std::uint32_t& v) {
        if (size > remaining())
            return false;
        v = 0;
        for (size_t i = 0; i < size; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_pos + i])) << (8 * i);
        m_pos += size;
        return true;
    }

    std::string_view m_bytes;
    size_t m_pos = 0;
};

bool readEntry(Reader& in, std::string& entry) {
    std::uint32_t length;
    if (!in.u8(length))
        return false;
    if (length == 0xFF) {
        if (!in.u16(length))
            return false;
        if (length == 0xFFFF) {
            if (!in.u32(length))
                return false;
        } else if (length == 0xFFFE) {
            return false; // never written by us: that prefix announced a string of another width
        }
    }
    return in.bytes(length, entry);
}

} // namespace

std::string EncodeUrlHistory(const UrlHistory& history) {
    std::string out;
    putU32(out, history.reserved);
    putU32(out, static_cast<std::uint32_t>(history.selection));
    putU32(out, static_cast<std::uint32_t>(history.checkRootLinks));
    const auto count = static_cast<std::uint32_t>(history.entries.size());
    if (count < 0xFFFF) {
        putU16(out, count);
    } else {
        putU16(out, 0xFFFF);
        putU32(out, count);
    }
    for (const std::string& entry : history.entries) {
        const auto length = static_cast<std::uint32_t>(entry.size());
        if (length < 0xFF) {
            out += static_cast<char>(length);
        } else {
            out += static_cast<char>(0xFF);
            if (length < 0xFFFE) {
                putU16(out, length);
            } else {
                putU16(out, 0xFFFF);
                putU32(out, length);
            }
        }
        out += entry;
    }
    return out;
}

std::optional<UrlHistory> DecodeUrlHistory(std::string_view bytes) {
    Reader in(bytes);
    UrlHistory history;
    std::uint32_t selection, check, count;
    if (!in.u32(history.reserved) || !in.u32(selection) || !in.u32(check) || !in.u16(count))
        return std::nullopt;
    if (count == 0xFFFF && !in.u32(count))
        return std::nullopt;
    // Every entry takes at least its one-byte length, so a larger count cannot be true.
    if (count > in.remaining())
        return std::nullopt;
    history.entries.resize(count);
    for (std::string& entry : history.entries) {
        if (!readEntry(in, entry))
            return std::nullopt;
    }
    if (in.remaining() != 0)
        return std::nullopt;
    history.selection = static_cast<std::int32_t>(selection);
    if (history.selection < -1 || history.selection >= static_cast<std::int64_t>(count))
        history.selection = -1;
    history.checkRootLinks = static_cast<std::int32_t>(check);
    return history;
}

bool LoadUrlHistory(const std::filesystem::path& path, UrlHistory& history) {
    history = UrlHistory();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::string bytes;
    // A read error (a folder in the file's place, a failing disk) throws from the stream buffer; it is
    // one more way of having no history.
    try {
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;
    }
    if (file.bad())
        return false;
    std::optional<UrlHistory> decoded = DecodeUrlHistory(bytes);
    if (!decoded)
        return false;
    history = std::move(*decoded);
    return true;
}

bool SaveUrlHistory(const std::filesystem::path& path, const UrlHistory& history) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    const std::string bytes = EncodeUrlHistory(history);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

void RememberAddress(UrlHistory& history, std::string address) {
    auto& entries = history.entries;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (*it == address) {
            entries.erase(std::next(it).base());
            break;
        }
    }
    entries.insert(entries.begin(), std::move(address));
    history.selection = 0;
}
