// EscapeScript: makes SearchFunc.dat from the readable search functions.
//
//   EscapeScript OUTPUT INPUT...
//
// The inputs (UTF-8 JavaScript) are joined in the order given, each ending
// with a line feed, and written in the percent-escaped form that JavaScript's
// unescape() turns back into the source: the generator embeds the lines of
// SearchFunc.dat, joined without separators, in
//   eval( unescape("...") );
// so the text must hold no quote, backslash or line break of its own. A
// character outside A-Z a-z 0-9 @*_+-./ (the ones unescape leaves alone and
// escape never touches) becomes %XX when it is at most 0xFF and %uXXXX per
// UTF-16 code unit above that. Lines are cut at about 100 characters, never
// inside an escape, and end with CR LF like every text file Findlark writes.
//
// Exits with 0 on success and 1, with a message, on a usage error, an
// unreadable input, malformed UTF-8 or an unwritable output; the output is
// written under a temporary name and renamed, so a failed run never leaves a
// half-written file behind.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t kLineLength = 100;

bool isPlain(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
           (unit >= u'0' && unit <= u'9') || unit == u'@' || unit == u'*' || unit == u'_' || unit == u'+' ||
           unit == u'-' || unit == u'.' || unit == u'/';
}

// Decodes UTF-8 into UTF-16 code units. Returns the offset of the first
// malformed byte (overlong forms, surrogates and values above U+10FFFF
// included), or npos when the whole text is well formed.
std::size_t decodeUtf8(const std::string& bytes, std::u16string& out) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1F;
            min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
            min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07;
            min = 0x10000;
        } else {
            return i;
        }
        if (i + length > bytes.size())
            return i;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return std::string::npos;
}

std::string escapeUnit(char16_t unit) {
    static const char digits[] = "0123456789ABCDEF";
    if (isPlain(unit))
        return std::string(1, static_cast<char>(unit));
    if (unit <= 0xFF)
        return {'%', digits[unit >> 4], digits[unit & 0xF]};
    return {'%',
            'u',
            digits[(unit >> 12) & 0xF],
            digits[(unit >> 8) & 0xF],
            digits[(unit >> 4) & 0xF],
            digits[unit & 0xF]};
}

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: EscapeScript OUTPUT INPUT...\n";
        return 1;
    }
    std::u16string source;
    for (int k = 2; k < argc; ++k) {
        std::string bytes;
        if (!readFile(argv[k], bytes)) {
            std::cerr << "EscapeScript: cannot read " << argv[k] << "\n";
            return 1;
        }
        // Joined files must not run into each other: a last line without its
        // line feed gets one.
        if (!bytes.empty() && bytes.back() != '\n')
            bytes.push_back('\n');
        const std::size_t bad = decodeUtf8(bytes, source);
        if (bad != std::string::npos) {
            std::cerr << "EscapeScript: " << argv[k] << " is not UTF-8 at byte " << bad << "\n";
            return 1;
        }
    }

    std::vector<std::string> lines;
    std::string line;
    for (const char16_t unit : source) {
        const std::string escaped = escapeUnit(unit);
        if (!line.empty() && line.size() + escaped.size() > kLineLength) {
            lines.push_back(line);
            line.clear();
        }
        line += escaped;
    }
    if (!line.empty())
        lines.push_back(line);

    const std::filesystem::path output = argv[1];
    std::filesystem::path temporary = output;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& text : lines)
            out << text << "\r\n";
        out.close();
        if (!out) {
            std::cerr << "EscapeScript: cannot write " << temporary.string() << "\n";
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, output, error);
    if (error) {
        std::cerr << "EscapeScript: cannot write " << output.string() << ": " << error.message() << "\n";
        std::filesystem::remove(temporary, error);
        return 1;
    }
    return 0;
}
