#include "store/SearchText.h"

#include "store/SearchCharacters.h"

#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>

#include <QList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace SearchText {

namespace {

// The names the engines decode (support/text/characters.txt): pages that use others keep them as
// written in every engine alike.
const QHash<QString, char32_t>& namedReferences() {
    static const QHash<QString, char32_t> table = [] {
        QHash<QString, char32_t> names;
        for (const auto& [name, code] : Characters::kNamedReferences)
            names.insert(QString::fromLatin1(name), code);
        return names;
    }();
    return table;
}

QString fromCodePoint(char32_t code) {
    return QString::fromUcs4(&code, 1);
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString numericReference(QStringView digits, int radix) {
    // Skipped by index: removing one zero at a time moved the rest of a long run for every zero.
    qsizetype zeros = 0;
    while (zeros < digits.size() && digits[zeros] == u'0')
        ++zeros;
    digits = digits.mid(zeros);
    // Long digit runs are invalid anyway; the browser engine gives up on them the same way.
    long long code = digits.size() > 8 ? -1 : digits.isEmpty() ? 0 : digits.toLongLong(nullptr, radix);
    if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString(QChar(0xFFFD));
    if (code >= 0x80 && code <= 0x9F && Characters::kCp1252[code - 0x80])
        code = Characters::kCp1252[code - 0x80];
    return fromCodePoint(static_cast<char32_t>(code));
}

// The reference at the start of `piece` (the text after an ampersand): its value and its length, or a
// length of 0 when there is none.
std::pair<QString, qsizetype> referenceAt(const QString& piece) {
    const qsizetype n = piece.size();
    if (n >= 2 && piece[0] == u'#') {
        qsizetype at = 1;
        int radix = 10;
        if (piece[1] == u'x' || piece[1] == u'X') {
            qsizetype end = 2;
            while (end < n && isHex(piece[end]))
                ++end;
            if (end > 2) {
                const qsizetype length = end < n && piece[end] == u';' ? end + 1 : end;
                return {numericReference(QStringView(piece).mid(2, end - 2), 16), length};
            }
            return {QString(), 0};
        }
        qsizetype end = at;
        while (end < n && isDigit(piece[end]))
            ++end;
        if (end > at) {
            const qsizetype length = end < n && piece[end] == u';' ? end + 1 : end;
            return {numericReference(QStringView(piece).mid(at, end - at), radix), length};
        }
        return {QString(), 0};
    }
    if (n < 3 || !isAsciiLetter(piece[0]))
        return {QString(), 0};
    qsizetype end = 1;
    while (end < n && (isAsciiLetter(piece[end]) || isDigit(piece[end])))
        ++end;
    if (end < 2 || end > 32 || end >= n || piece[end] != u';')
        return {QString(), 0};
    const auto found = namedReferences().constFind(piece.left(end));
    if (found == namedReferences().constEnd())
        return {QString(), 0};
    return {fromCodePoint(found.value()), end + 1};
}

QString decodeReferences(const QString& text) {
    if (!text.contains(u'&'))
        return text;
    const QStringList pieces = text.split(u'&');
    QString out = pieces[0];
    for (qsizetype k = 1; k < pieces.size(); ++k) {
        const auto [value, length] = referenceAt(pieces[k]);
        if (length == 0) {
            out += u'&';
            out += pieces[k];
        } else {
            out += value;
            out += QStringView(pieces[k]).mid(length);
        }
    }
    return out;
}

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    return c.unicode() - u'A' + 10;
}

bool hexRun(const QString& s, qsizetype at, qsizetype count) {
    if (at + count > s.size())
        return false;
    for (qsizetype k = at; k < at + count; ++k) {
        if (!isHex(s[k]))
            return false;
    }
    return true;
}

// The text between escapes goes over in one piece: escapes are few, and a character at a time was most of
// the time of a database run's end.
QString unescapeStored(const QString& s) {
    qsizetype k = s.indexOf(u'\\');
    if (k < 0)
        return s;
    QString out;
    out.reserve(s.size());
    qsizetype from = 0;
    for (; k >= 0 && k + 1 < s.size(); from = k + 1, k = s.indexOf(u'\\', from)) {
        out += QStringView(s).mid(from, k - from);
        const QChar next = s[k + 1];
        if (next == u'x' && hexRun(s, k + 2, 2)) {
            out += QChar(static_cast<char16_t>(hexValue(s[k + 2]) * 16 + hexValue(s[k + 3])));
            k += 3;
        } else if (next == u'u' && hexRun(s, k + 2, 4)) {
            int unit = 0;
            for (qsizetype d = k + 2; d < k + 6; ++d)
                unit = unit * 16 + hexValue(s[d]);
            out += QChar(static_cast<char16_t>(unit));
            k += 5;
        } else {
            switch (next.unicode()) {
            case u'b':
                out += QChar(8);
                break;
            case u'f':
                out += QChar(12);
                break;
            case u'n':
                out += QChar(10);
                break;
            case u'r':
                out += QChar(13);
                break;
            case u't':
                out += QChar(9);
                break;
            case u'v':
                out += QChar(11);
                break;
            case u'0':
                out += QChar(0);
                break;
            case u'\n':
            case u'\r':
            case 0x2028:
            case 0x2029:
                break; // a continued line
            default:
                out += next;
            }
            ++k;
        }
    }
    out += QStringView(s).mid(from); // a backslash that ends the text stays
    return out;
}

// Qt normalizes a text in place, moving the rest of it for every character that decomposes, composes or
// is reordered, which takes time growing with the square of the text. Composition (NFC) only ever acts
// within a segment that starts at a character nothing before it can touch, so the text is normalized a
// block of whole segments at a time. A segment with no such start for a long way (a run of combining
// marks) is decomposed and put in canonical order here, so that Qt only has a few compositions to make.

QList<uint> canonicalDecomposition(char32_t code) {
    return QChar::decomposition(code).toUcs4();
}

bool decomposes(char32_t code) {
    return QChar::decompositionTag(code) == QChar::Canonical;
}

// Where a segment may start: before a code point of combining class 0 that no composition takes as its
// second part, and whose canonical decomposition (if any) starts with such a code point too.
class SegmentStarts {
public:
    SegmentStarts() : m_neverStarts(0x110000, false) {
        std::vector<char32_t> decomposing;
        for (char32_t code = 0x80; code <= 0x10FFFF; ++code) {
            if (!decomposes(code))
                continue;
            decomposing.push_back(code);
            const QList<uint> parts = canonicalDecomposition(code);
            for (qsizetype k = 1; k < parts.size(); ++k)
                m_neverStarts[parts[k]] = true;
        }
        for (const char32_t code : decomposing) {
            char32_t first = code;
            while (decomposes(first))
                first = canonicalDecomposition(first).front();
            if (m_neverStarts[first] || QChar::combiningClass(first) != 0)
                m_neverStarts[code] = true;
        }
    }

    bool startsSegment(char32_t code) const {
        return code < 0x80 || (!m_neverStarts[code] && QChar::combiningClass(code) == 0);
    }

private:
    std::vector<bool> m_neverStarts;
};

const SegmentStarts& segmentStarts() {
    static const SegmentStarts starts;
    return starts;
}

void appendDecomposed(char32_t code, std::u32string& out) {
    if (!decomposes(code)) {
        out += code;
        return;
    }
    for (const uint part : canonicalDecomposition(code))
        appendDecomposed(part, out);
}

// Canonical order: each run of marks sorted by combining class, marks of one class keeping their order.
// A counting sort, as a run may be as long as the text.
void orderMarks(std::u32string& text) {
    std::vector<std::pair<uint8_t, char32_t>> run;
    for (size_t k = 0; k < text.size();) {
        if (QChar::combiningClass(text[k]) == 0) {
            ++k;
            continue;
        }
        run.clear();
        size_t end = k;
        for (; end < text.size(); ++end) {
            const auto combiningClass = static_cast<uint8_t>(QChar::combiningClass(text[end]));
            if (combiningClass == 0)
                break;
            run.emplace_back(combiningClass, text[end]);
        }
        std::array<size_t, 257> next{};
        for (const auto& mark : run)
            ++next[mark.first + 1u];
        for (size_t c = 1; c < next.size(); ++c)
            next[c] += next[c - 1];
        for (const auto& mark : run)
            text[k + next[mark.first]++] = mark.second;
        k = end;
    }
}

// NFC of a long segment: decomposed and ordered here, composed by Qt.
QString composedSegment(QStringView segment) {
    // A lone surrogate starts a segment of its own and composes with nothing; Qt keeps it as it is, where
    // the conversion below would replace it.
    if (!segment.isEmpty() && segment[0].isSurrogate() &&
        !(segment.size() > 1 && segment[0].isHighSurrogate() && segment[1].isLowSurrogate()))
        return segment.first(1).toString() + composedSegment(segment.mid(1));
    std::u32string decomposed;
    decomposed.reserve(static_cast<size_t>(segment.size()));
    for (const char32_t code : segment.toUcs4())
        appendDecomposed(code, decomposed);
    orderMarks(decomposed);
    return QString::fromUcs4(decomposed.data(), static_cast<qsizetype>(decomposed.size()))
        .normalized(QString::NormalizationForm_C);
}

// A segment of one code point that has no canonical decomposition is its own NFC: most segments of any
// text, which go over as they are rather than through Qt.
QString normalizedC(const QString& text) {
    // Below U+0300 nothing is changed by NFC unless a combining mark follows; most pages hold nothing else.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x300; }))
        return text;
    // A block this long costs Qt little even when every character in it moves the rest.
    constexpr qsizetype kBlock = 256;
    const SegmentStarts& starts = segmentStarts();
    QString out;
    out.reserve(text.size());
    const auto appendPiece = [&](qsizetype from, qsizetype to, bool changes) {
        const QStringView piece = QStringView(text).mid(from, to - from);
        if (changes)
            out += piece.toString().normalized(QString::NormalizationForm_C);
        else
            out += piece;
    };
    qsizetype blockStart = 0;
    bool blockChanges = false;
    qsizetype segmentStart = 0;
    int segmentCodePoints = 0;
    bool segmentDecomposes = false;
    const auto endSegment = [&](qsizetype at) {
        const bool segmentChanges = segmentCodePoints > 1 || segmentDecomposes;
        if (at - segmentStart > kBlock) {
            appendPiece(blockStart, segmentStart, blockChanges);
            out += composedSegment(QStringView(text).mid(segmentStart, at - segmentStart));
            blockStart = at;
            blockChanges = false;
        } else {
            blockChanges = blockChanges || segmentChanges;
            if (at - blockStart >= kBlock) {
                appendPiece(blockStart, at, blockChanges);
                blockStart = at;
                blockChanges = false;
            }
        }
        segmentStart = at;
        segmentCodePoints = 0;
        segmentDecomposes = false;
    };
    const ushort* units = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype k = 0; k < size;) {
        char32_t code = units[k];
        qsizetype length = 1;
        if (QChar::isHighSurrogate(code) && k + 1 < size && QChar::isLowSurrogate(units[k + 1])) {
            code = QChar::surrogateToUcs4(units[k], units[k + 1]);
            length = 2;
        }
        if (k > segmentStart && starts.startsSegment(code))
            endSegment(k);
        ++segmentCodePoints;
        segmentDecomposes = segmentDecomposes || (code >= 0xC0 && decomposes(code));
        k += length;
    }
    endSegment(size);
    appendPiece(blockStart, size, blockChanges);
    return out;
}

QString shownText(QString text) {
    text.replace(QChar(0), QChar(u' '));
    return normalizedC(decodeReferences(text));
}

// The folds beyond lower case apply to a character and to its lower case alike; among them the capital I
// with a dot, whose lower case is "i" and a combining dot, where the browser engine keeps the "i" alone.
char32_t foldCodePoint(char32_t code) {
    for (const auto& fold : Characters::kFolds) {
        if (code == fold.from)
            return fold.to;
    }
    const char32_t lower = QChar::toLower(code);
    for (const auto& fold : Characters::kFolds) {
        if (lower == fold.from)
            return fold.to;
    }
    // A letter whose lower case needs another number of UTF-16 units would move every position after it.
    return (lower > 0xFFFF) == (code > 0xFFFF) ? lower : code;
}

// Folding keeps every character's length in UTF-16 units, so the result is written in place of a copy,
// and ASCII, most of any page, is folded without a look into the Unicode tables.
QString foldCase(const QString& text) {
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        const char16_t unit = c.unicode();
        if (unit < 0x80) {
            to[k] = QChar(unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit);
        } else if (c.isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate()) {
            const char32_t folded = foldCodePoint(QChar::surrogateToUcs4(c, text[k + 1]));
            to[k] = QChar(QChar::highSurrogate(folded));
            to[k + 1] = QChar(QChar::lowSurrogate(folded));
            ++k;
        } else if (c.isSurrogate()) {
            to[k] = c;
        } else {
            to[k] = QChar(static_cast<char16_t>(foldCodePoint(unit)));
        }
    }
    return out;
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text) {
    return text.toStdString();
}

} // namespace

std::string UnescapeStored(std::string_view stored) {
    return toUtf8(unescapeStored(fromUtf8(stored)));
}

std::string DecodeReferences(std::string_view text) {
    return toUtf8(decodeReferences(fromUtf8(text)));
}

std::string ShownText(std::string_view text) {
    return toUtf8(shownText(fromUtf8(text)));
}

std::string FoldCase(std::string_view text) {
    return toUtf8(foldCase(fromUtf8(text)));
}

std::string Searchable(std::string_view stored) {
    return toUtf8(foldCase(shownText(unescapeStored(fromUtf8(stored)))));
}

std::string PhpFoldTable() {
    std::string table;
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        const char32_t folded = foldCodePoint(code);
        if (folded == code)
            continue;
        char entry[64];
        std::snprintf(entry, sizeof entry, "\"\\u{%X}\"=>\"\\u{%X}\",\n", static_cast<unsigned>(code),
                      static_cast<unsigned>(folded));
        table += entry;
    }
    return table;
}

} // namespace SearchText
