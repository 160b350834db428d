#include "index/PageExtractor.h"
#include "platform/AsciiText.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Parser states of an HTML page: where the characters go.
enum State { Outside = 0, InTag = 1, InTitle = 2, InScript = 5, InStyle = 6 };

constexpr std::string_view kNoTitle = "NO TITLE";
constexpr size_t npos = std::string_view::npos;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// How a scanner treats a byte. A lone space or tab is copied like any other character; only a blank
// followed by another blank, a line break and the characters with a meaning of their own need work.
enum ByteClass : uint8_t { Ordinary = 0, Blank = 1, Special = 2 };
using ByteClasses = std::array<uint8_t, 256>;

template <char... Specials> constexpr ByteClasses makeClasses() {
    ByteClasses classes{};
    classes[' '] = classes['\t'] = Blank;
    classes['\r'] = classes['\n'] = Special;
    ((classes[static_cast<uint8_t>(Specials)] = Special), ...);
    return classes;
}

#if defined(__SSE2__)
// Sixteen bytes at a time: the run ends at the first byte that is special or a blank followed by a blank.
// Returns a position whose run end is not yet known, near the end of the content.
template <char... Specials> size_t skipOrdinaryBlocks(std::string_view s, size_t i) {
    const auto equal = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    while (i + 17 <= s.size()) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i + 1));
        const __m128i blank = _mm_or_si128(equal(v, ' '), equal(v, '\t'));
        const __m128i nextBlank = _mm_or_si128(_mm_or_si128(equal(next, ' '), equal(next, '\t')),
                                               _mm_or_si128(equal(next, '\r'), equal(next, '\n')));
        __m128i stop =
            _mm_or_si128(_mm_and_si128(blank, nextBlank), _mm_or_si128(equal(v, '\r'), equal(v, '\n')));
        ((stop = _mm_or_si128(stop, equal(v, Specials))), ...);
        const int mask = _mm_movemask_epi8(stop);
        if (mask != 0)
            return i + static_cast<size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        i += 16;
    }
    return i;
}
#endif

// End of the run from i of characters that are copied unchanged, so that a run goes out in one append.
// Backslash and double quote are special everywhere: both must be escaped for a script string.
template <char... Specials> size_t ordinaryRunEnd(std::string_view s, size_t i) {
    static constexpr ByteClasses classes = makeClasses<'"', '\\', Specials...>();
    const size_t n = s.size();
    // Between two tags the run is mostly empty: no block scan for that.
    if (i < n && classes[static_cast<uint8_t>(s[i])] == Special)
        return i;
#if defined(__SSE2__)
    i = skipOrdinaryBlocks<'"', '\\', Specials...>(s, i);
#endif
    for (;;) {
        while (i < n && classes[static_cast<uint8_t>(s[i])] == Ordinary)
            ++i;
        if (i < n && classes[static_cast<uint8_t>(s[i])] == Blank && (i + 1 == n || !isBlank(s[i + 1]))) {
            ++i;
            continue;
        }
        return i;
    }
}

size_t plainRunEnd(std::string_view s, size_t i) {
    return ordinaryRunEnd<>(s, i);
}
size_t titleRunEnd(std::string_view s, size_t i) {
    return ordinaryRunEnd<'<', '&'>(s, i);
}
size_t textRunEnd(std::string_view s, size_t i) {
    return ordinaryRunEnd<'<', '&', '>'>(s, i);
}

// The blank rule: a blank followed by another blank is dropped, so a run keeps only its last character;
// a line break kept that way separates words, so it stands as one space.
bool blankKept(std::string_view s, size_t i) {
    return i + 1 == s.size() || !isBlank(s[i + 1]);
}
char keptBlank(char c) {
    return AsciiText::isLineBreak(c) ? ' ' : c;
}

void appendBlank(std::string& out, std::string_view s, size_t i) {
    if (blankKept(s, i))
        out += keptBlank(s[i]);
}

// Every field ends up inside a double-quoted script string, where a lone backslash would start an escape.
void appendBackslash(std::string& out) {
    out += "\\\\";
}

void appendQuote(std::string& out, bool keepQuotes) {
    if (keepQuotes)
        out += "\\\"";
}

bool matchesLower(std::string_view s, size_t pos, std::string_view word) {
    return AsciiText::startsWithIgnoringCase(s.substr(pos), word);
}

size_t skipWhiteSpace(std::string_view s, size_t i) {
    while (i < s.size() && AsciiText::isWhiteSpace(s[i]))
        ++i;
    return i;
}

void trimInPlace(std::string& s) {
    size_t end = s.size();
    while (end > 0 && AsciiText::isWhiteSpace(s[end - 1]))
        --end;
    s.resize(end);
    size_t begin = 0;
    while (begin < end && AsciiText::isWhiteSpace(s[begin]))
        ++begin;
    s.erase(0, begin);
}

// A meta value ends at a double quote without a backslash before it, so it may hold backslash-quote
// pairs (kept: they read back as a quote) and, when its tag had an empty value, bare quotes and
// backslashes that would break the script string.
std::string scriptSafeMetaValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 8);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size() && value[i + 1] == '"') {
            out += "\\\"";
            ++i;
        } else if (c == '\\') {
            appendBackslash(out);
        } else if (c == '"') {
            out += "\\\"";
        } else {
            out += c;
        }
    }
    return out;
}

// Position of the value after the first "key =" of the attribute text (blanks allowed around "="),
// or npos. With quoted, only an occurrence whose value starts with a double quote counts.
size_t findAssignment(std::string_view lower, std::string_view key, bool quoted) {
    for (size_t at = lower.find(key); at != npos; at = lower.find(key, at + 1)) {
        size_t i = skipWhiteSpace(lower, at + key.size());
        if (i == lower.size() || lower[i] != '=')
            continue;
        i = skipWhiteSpace(lower, i + 1);
        if (quoted && (i == lower.size() || lower[i] != '"'))
            continue;
        return i;
    }
    return npos;
}

std::string readName(std::string_view lower, size_t i) {
    if (i < lower.size() && lower[i] == '"') {
        const size_t close = lower.find('"', i + 1);
        return close == npos ? std::string() : std::string(lower.substr(i + 1, close - i - 1));
    }
    size_t end = i;
    while (end < lower.size() && !isBlank(lower[end]))
        ++end;
    return std::string(lower.substr(i, end - i));
}

// The text after the opening quote at q up to the first quote that neither stands first nor follows a
// backslash; empty when there is none.
std::string readQuoted(std::string_view s, size_t q) {
    const size_t start = q + 1;
    for (size_t j = s.find('"', start + 1); j != npos; j = s.find('"', j + 1)) {
        if (s[j - 1] != '\\')
            return std::string(s.substr(start, j - start));
    }
    return {};
}

// Whether a scan at position i should end early; asks the stop once per chunk at most, and never
// within the first chunk.
class StopPoints {
public:
    explicit StopPoints(PageStop* stop) : m_stop(stop) {}
    bool reached(size_t i) {
        if (!m_stop || i < m_next)
            return false;
        m_next = i + PageStop::kChunkBytes;
        return m_stop->requested();
    }

private:
    PageStop* m_stop;
    size_t m_next = PageStop::kChunkBytes;
};

void scanPlainText(std::string_view s, bool keepQuotes, std::string& out, PageStop* stop) {
    out.reserve(s.size());
    StopPoints stopPoints(stop);
    size_t i = 0;
    while (i < s.size() && !stopPoints.reached(i)) {
        const size_t end = plainRunEnd(s, i);
        out.append(s, i, end - i);
        i = end;
        if (i == s.size())
            break;
        if (s[i] == '"')
            appendQuote(out, keepQuotes);
        else if (s[i] == '\\')
            appendBackslash(out);
        else
            appendBlank(out, s, i);
        ++i;
    }
}

// The character-level state machine over an HTML page. After each step the position moves on by one;
// a step that consumes more leaves the position on the last character it used.
class HtmlScanner {
public:
    HtmlScanner(std::string_view content, bool keepQuotes, PageFields& fields)
        : m_s(content), m_keepQuotes(keepQuotes), m_fields(fields) {}

    void run(PageStop* stop) {
        StopPoints stopPoints(stop);
        while (m_i < m_s.size() && !stopPoints.reached(m_i)) {
            if (m_state == Outside || m_state == InTitle)
                scanVisible();
            else
                skipHidden();
        }
    }

private:
    void scanVisible();
    void visibleSpecial(std::string& out);
    void appendText(std::string_view piece);
    void skipHidden();
    void entity(std::string& out);
    void tagStart();
    bool mayChangeState(size_t n) const;
    bool titleTag(size_t n);
    bool scriptTag(size_t n);
    bool styleTag(size_t n);
    bool metaTag(size_t n);
    void storeMeta(std::string_view attributes);
    size_t tagEnd(size_t from);

    std::string_view m_s;
    bool m_keepQuotes;
    PageFields& m_fields;
    size_t m_i = 0;
    int m_state = InTag; // anything before the first ">" is not page text
    bool m_titleSeen = false;
    // The last ">" found and where its search began: it stays the first ">" from any position between
    // the two, so a page full of "<" that never close is searched once, not once per "<".
    size_t m_tagEndFrom = npos;
    size_t m_tagEnd = 0;
};

size_t HtmlScanner::tagEnd(size_t from) {
    if (m_tagEndFrom <= from && from <= m_tagEnd)
        return m_tagEnd;
    m_tagEndFrom = from;
    const size_t n = m_s.size();
    const void* close = from < n ? std::memchr(m_s.data() + from, '>', n - from) : nullptr;
    m_tagEnd = close ? static_cast<size_t>(static_cast<const char*>(close) - m_s.data()) : n;
    return m_tagEnd;
}

void HtmlScanner::scanVisible() {
    const bool inTitle = m_state == InTitle;
    const size_t end = inTitle ? titleRunEnd(m_s, m_i) : textRunEnd(m_s, m_i);
    const std::string_view run = m_s.substr(m_i, end - m_i);
    if (inTitle)
        m_fields.title.append(run);
    else if (!run.empty())
        appendText(run);
    m_i = end;
    if (m_i < m_s.size()) {
        visibleSpecial(inTitle ? m_fields.title : m_fields.text);
        ++m_i;
    }
}

// The page text is collapsed as it grows rather than afterwards: blanks that meet across a tag or an
// entity shrink to the later one here, which leaves only the trimming for the end. Text never holds a
// line break (each became a space or was dropped), so the blanks met here are spaces and tabs.
void HtmlScanner::appendText(std::string_view piece) {
    std::string& text = m_fields.text;
    if (!piece.empty() && isBlank(piece.front()) && !text.empty() && isBlank(text.back()))
        text.pop_back();
    text.append(piece);
}

void HtmlScanner::visibleSpecial(std::string& out) {
    switch (m_s[m_i]) {
    case '<':
        tagStart();
        break;
    case '>': // only met outside tags here: inside the title it is ordinary
        m_state = Outside;
        break;
    case '&':
        entity(out);
        break;
    case '"':
        appendQuote(out, m_keepQuotes);
        break;
    case '\\':
        appendBackslash(out);
        break;
    default:
        if (!blankKept(m_s, m_i))
            break;
        if (m_state == InTitle) {
            out += keptBlank(m_s[m_i]);
        } else {
            const char blank = keptBlank(m_s[m_i]);
            appendText(std::string_view(&blank, 1));
        }
        break;
    }
}

// Inside a tag, a script or a style block nothing is kept, so the scan jumps to the next character that
// can change the state: "<" always, ">" only inside a tag (a script's ">" is ordinary).
void HtmlScanner::skipHidden() {
    const size_t n = m_s.size();
    size_t i = m_i;
    if (m_state == InTag) {
        // The tag's end is found first; a "<" can only come before it if the tag is left open.
        const size_t end = tagEnd(i);
        const void* open = std::memchr(m_s.data() + i, '<', end - i);
        i = open ? static_cast<size_t>(static_cast<const char*>(open) - m_s.data()) : end;
    } else {
        const void* found = std::memchr(m_s.data() + i, '<', n - i);
        i = found ? static_cast<size_t>(static_cast<const char*>(found) - m_s.data()) : n;
    }
    m_i = i;
    if (i == n)
        return;
    if (m_s[i] == '>')
        m_state = Outside;
    else
        tagStart();
    ++m_i;
}

void HtmlScanner::entity(std::string& out) {
    if (m_i + 5 < m_s.size()) {
        const std::string_view name = m_s.substr(m_i, 6);
        if (name == "&nbsp;") {
            m_i += 5;
            return;
        }
        if (name == "&quot;") {
            m_i += 5;
            appendQuote(out, m_keepQuotes);
            return;
        }
    }
    out += '&';
}

// Most tags are told apart from the few that matter here by their first two letters. Inside the title
// every tag counts, since one that does not end the title leaves its "<" there.
bool HtmlScanner::mayChangeState(size_t n) const {
    if (m_state == InTitle)
        return true;
    const auto letter = [this](size_t at) { return at < m_s.size() ? AsciiText::lower(m_s[at]) : '\0'; };
    const bool closing = letter(n) == '/'; // only "/script" and "/style" matter outside the title
    const char first = letter(closing ? n + 1 : n);
    const char second = letter(closing ? n + 2 : n + 1);
    if (first == 's')
        return second == 'c' || second == 't';
    return !closing && ((first == 't' && second == 'i') || (first == 'm' && second == 'e'));
}

void HtmlScanner::tagStart() {
    if (m_state != InTitle && m_state != InScript && m_state != InStyle)
        m_state = InTag;
    size_t n = m_i + 1;
    while (n < m_s.size() && isBlank(m_s[n]))
        ++n;
    if (mayChangeState(n) && (titleTag(n) || scriptTag(n) || styleTag(n) || metaTag(n)))
        return;
    m_i = n - 1; // the tag name's first character is handled by the next step, in the current state
}

bool HtmlScanner::titleTag(size_t n) {
    if (n + 5 >= m_s.size())
        return false;
    if (!m_titleSeen && matchesLower(m_s, n, "title")) {
        m_state = InTitle;
        m_titleSeen = true;
        m_i = tagEnd(n + 4);
        return true;
    }
    if (m_state != InTitle)
        return false;
    if (matchesLower(m_s, n, "/title")) {
        m_state = InTag;
        m_i = n + 5;
        return true;
    }
    m_fields.title += '<';
    return false;
}

bool HtmlScanner::scriptTag(size_t n) {
    if (n + 6 >= m_s.size())
        return false;
    if (matchesLower(m_s, n, "script")) {
        m_state = InScript;
        m_i = n + 5;
        return true;
    }
    if (matchesLower(m_s, n, "/script")) {
        m_state = InTag;
        m_i = n + 6;
        return true;
    }
    return false;
}

bool HtmlScanner::styleTag(size_t n) {
    if (n + 5 >= m_s.size())
        return false;
    if (matchesLower(m_s, n, "style")) {
        m_state = InStyle;
        m_i = n + 4;
        return true;
    }
    if (matchesLower(m_s, n, "/style")) {
        m_state = InTag;
        m_i = n + 5;
        return true;
    }
    return false;
}

// The tag's ">" is consumed here without leaving the tag state, so the text up to the next ">" is
// not page text.
bool HtmlScanner::metaTag(size_t n) {
    if (n + 3 >= m_s.size() || !matchesLower(m_s, n, "meta"))
        return false;
    const size_t close = tagEnd(n + 4);
    storeMeta(m_s.substr(n + 4, close - (n + 4)));
    m_i = close;
    return true;
}

void HtmlScanner::storeMeta(std::string_view attributes) {
    std::string name;
    std::string value;
    ParseMetaTag(attributes, name, value);
    std::string* field = nullptr;
    if (name == "keywords")
        field = &m_fields.keywords;
    else if (name == "description")
        field = &m_fields.description;
    else if (name == "linkdescription")
        field = &m_fields.linkDescription;
    if (field)
        *field = scriptSafeMetaValue(value);
}

} // namespace

PageFields ExtractPageText(std::string_view content, int kind, int indexColon, PageStop* stop) {
    PageFields fields;
    const bool keepQuotes = indexColon == 1;
    if (kind == FileKinds::Html) {
        fields.text.reserve(content.size());
        HtmlScanner(content, keepQuotes, fields).run(stop);
        trimInPlace(fields.text); // blank runs were already shrunk while scanning
    } else if (kind == FileKinds::Text) {
        scanPlainText(content, keepQuotes, fields.text, stop);
    }
    if (fields.title.empty())
        fields.title = kNoTitle;
    return fields;
}

bool ParseMetaTag(std::string_view attributes, std::string& name, std::string& value) {
    name.clear();
    value.clear();
    std::string lower(attributes);
    for (char& c : lower)
        c = AsciiText::lower(c);
    const size_t nameAt = findAssignment(lower, "name", false);
    if (nameAt == npos)
        return false;
    name = readName(lower, nameAt);
    const size_t quoteAt = findAssignment(lower, "content", true);
    if (quoteAt == npos)
        return false;
    value = CollapseWhitespace(readQuoted(attributes, quoteAt));
    return true;
}

std::string CollapseWhitespace(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && AsciiText::isWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && AsciiText::isWhiteSpace(text[end - 1]))
        --end;
    std::string result;
    result.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        if (!isBlank(text[i]))
            result += text[i];
        else if (!isBlank(text[i + 1])) // i + 1 < end: the last character is no blank
            result += keptBlank(text[i]);
    }
    return result;
}
