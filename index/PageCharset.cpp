#include "index/PageCharset.h"

#include <array>
#include <utility>

#include "platform/AsciiText.h"
#include "platform/TextEncoding.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;
// Browsers look this far for a <meta> naming the character set.
constexpr std::size_t kMetaScanBytes = 1024;

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiText::lower(c);
    return out;
}

// Labels that pages use for a narrower set than the one they are actually written in; browsers read
// them as the wider set, and so do we.
std::string canonicalLabel(std::string_view label) {
    static const std::array<std::pair<std::string_view, std::string_view>, 17> kWider{{
        {"iso-8859-1", "windows-1252"},
        {"iso8859-1", "windows-1252"},
        {"iso_8859-1", "windows-1252"},
        {"latin1", "windows-1252"},
        {"l1", "windows-1252"},
        {"us-ascii", "windows-1252"},
        {"ascii", "windows-1252"},
        {"cp819", "windows-1252"},
        {"gb2312", "gbk"},
        {"x-gbk", "gbk"},
        {"euc-kr", "windows-949"},
        {"ks_c_5601-1987", "windows-949"},
        {"shift_jis", "windows-31j"},
        {"sjis", "windows-31j"},
        {"x-sjis", "windows-31j"},
        {"iso-8859-9", "windows-1254"},
        {"utf-16", "utf-16le"}, // declared without a byte order mark
    }};
    const std::string name = lowered(label);
    for (const auto& [from, to] : kWider)
        if (name == from)
            return std::string(to);
    return name;
}

bool isUtf8Name(std::string_view name) {
    return name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8";
}

// The value of "charset=" in text (a Content-Type or a meta tag), without quotes; empty when absent.
std::string_view charsetValue(std::string_view text) {
    std::size_t at = 0;
    for (;; ++at) {
        if (at + 8 > text.size())
            return {};
        if (AsciiText::startsWithIgnoringCase(text.substr(at), "charset"))
            break;
    }
    at += 7;
    while (at < text.size() && AsciiText::isWhiteSpace(text[at]))
        ++at;
    if (at >= text.size() || text[at] != '=')
        return {};
    ++at;
    while (at < text.size() && (AsciiText::isWhiteSpace(text[at]) || text[at] == '"' || text[at] == '\''))
        ++at;
    std::size_t end = at;
    while (end < text.size() && !AsciiText::isWhiteSpace(text[end]) &&
           std::string_view("\"';>/,").find(text[end]) == npos)
        ++end;
    return text.substr(at, end - at);
}

// The charset named by a <meta> tag in the page's first bytes; empty when none does.
std::string_view metaCharset(std::string_view head) {
    for (std::size_t at = head.find('<'); at != npos; at = head.find('<', at + 1)) {
        if (!AsciiText::startsWithIgnoringCase(head.substr(at + 1), "meta"))
            continue;
        const std::size_t end = head.find('>', at);
        const std::string_view tag = head.substr(at, end == npos ? npos : end - at);
        if (const std::string_view value = charsetValue(tag); !value.empty())
            return value;
        if (end == npos)
            break;
        at = end;
    }
    return {};
}

std::string_view byteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return "utf-8";
    if (bytes.starts_with("\xFF\xFE"))
        return "utf-16le";
    if (bytes.starts_with("\xFE\xFF"))
        return "utf-16be";
    return {};
}

// The label as the converter's name, or empty when it knows no such set.
std::string known(std::string_view label) {
    if (label.empty())
        return {};
    std::string name = canonicalLabel(label);
    if (isUtf8Name(name))
        return "utf-8";
    return TextEncoding::isKnown(name) ? name : std::string();
}

} // namespace

std::string PageCharset(std::string_view bytes, std::string_view contentType, std::string_view fallback) {
    // A byte order mark comes first: a server's header is more often wrong than the file itself.
    if (const std::string_view mark = byteOrderMark(bytes); !mark.empty())
        return std::string(mark);
    if (std::string name = known(charsetValue(contentType)); !name.empty())
        return name;
    if (std::string name = known(metaCharset(bytes.substr(0, kMetaScanBytes))); !name.empty()) {
        // A <meta> read as ASCII cannot be in UTF-16 (the page would have no readable "<meta" then).
        return name.starts_with("utf-16") ? "utf-8" : name;
    }
    if (TextEncoding::isUtf8(bytes))
        return "utf-8";
    std::string name = known(fallback);
    return name.empty() ? "windows-1252" : name;
}

void PageToUtf8(std::string& bytes, std::string_view contentType, std::string_view fallback) {
    const std::string charset = PageCharset(bytes, contentType, fallback);
    if (charset == "utf-8")
        return;
    if (std::optional<std::string> text = TextEncoding::toUtf8(bytes, charset))
        bytes = std::move(*text);
}
