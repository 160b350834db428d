#include "store/WordIndex.h"

#include "platform/Database.h"
#include "platform/WorkerThreads.h"
#include "store/PhrasePlaces.h"
#include "store/SearchText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>

namespace WordIndex {

namespace {

constexpr size_t kFieldCount = 4; // Title, Keywords, Description, Text: the fields a search weighs
constexpr size_t kTextField = 3;

constexpr const char* kTables = R"sql(
DROP TABLE IF EXISTS SearchTrigrams;
DROP TABLE IF EXISTS SearchText;
DROP TABLE IF EXISTS SearchRecords;
DROP TABLE IF EXISTS SearchWords;
DROP TABLE IF EXISTS SearchPostings;
DROP TABLE IF EXISTS SearchSharedParts;
DROP TABLE IF EXISTS SearchOccurrences;
CREATE TABLE SearchRecords (Rec INTEGER PRIMARY KEY, Row INTEGER NOT NULL, ID INTEGER, Title TEXT,
                            Keywords TEXT, Description TEXT, TextLength INTEGER NOT NULL, Topic TEXT,
                            TitleParts TEXT NOT NULL, Untitled INTEGER NOT NULL, Address TEXT);
CREATE TABLE SearchWords (WordID INTEGER PRIMARY KEY, Word TEXT NOT NULL UNIQUE, Summed INTEGER NOT NULL);
CREATE TABLE SearchPostings (WordID INTEGER NOT NULL, Field INTEGER NOT NULL, Records TEXT NOT NULL,
                             PRIMARY KEY (WordID, Field));
CREATE TABLE SearchOccurrences (WordID INTEGER NOT NULL, Field INTEGER NOT NULL, Records BLOB NOT NULL,
                                PRIMARY KEY (WordID, Field));
CREATE TABLE SearchSharedParts (Part TEXT PRIMARY KEY);
)sql";

// Rows are read and folded this many at a time, so a large site's text is never all in memory at once.
constexpr size_t kChunk = 512;
// Postings are handed to SQLite this many rows at a time, for the same reason.
constexpr size_t kInsertBatch = 4096;

struct CodePoint {
    char32_t value;
    size_t bytes;
};

// A byte that starts no valid sequence counts as one character of its own, as a word character.
CodePoint decode(std::string_view text, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char first = byte(0);
    const size_t length = first < 0x80         ? 1
                          : (first >> 5) == 6  ? 2
                          : (first >> 4) == 14 ? 3
                          : (first >> 3) == 30 ? 4
                                               : 0;
    if (length == 0 || at + length > text.size())
        return {0xFFFD, 1};
    char32_t value = length == 1 ? first : first & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80)
            return {0xFFFD, 1};
        value = (value << 6) | (byte(k) & 0x3F);
    }
    return {value, length};
}

// Letters, digits and the underscore are word characters; every blank, punctuation mark and symbol ends
// a word. Beyond ASCII only the blocks of punctuation, arrows, mathematical and technical signs and the
// full-width forms end one. Characters beyond the first plane are word characters (the browser sees
// their two halves, neither of which ends a word).
bool isWordCharacter(char32_t c) {
    constexpr std::pair<char32_t, char32_t> kNonWord[] = {
        {0x0000, 0x002F}, {0x003A, 0x0040}, {0x005B, 0x005E}, {0x0060, 0x0060}, {0x007B, 0x00BF},
        {0x00D7, 0x00D7}, {0x00F7, 0x00F7}, {0x1680, 0x1680}, {0x180E, 0x180E}, {0x2000, 0x206F},
        {0x2190, 0x23FF}, {0x2500, 0x27BF}, {0x2E00, 0x2E7F}, {0x3000, 0x303F}, {0xFEFF, 0xFEFF},
        {0xFF01, 0xFF0F}, {0xFF1A, 0xFF20}, {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}};
    for (const auto& [low, high] : kNonWord) {
        if (c < low)
            return true;
        if (c <= high)
            return false;
    }
    return true;
}

// The length the browser gives the text: UTF-16 units.
long long utf16Length(std::string_view text) {
    long long units = 0;
    for (size_t at = 0; at < text.size();) {
        const CodePoint c = decode(text, at);
        units += c.value >= 0x10000 ? 2 : 1;
        at += c.bytes;
    }
    return units;
}

bool isBlank(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000 || c == 0xFEFF;
}

bool isTitleSeparator(char32_t c) {
    return c == u'-' || c == 0x2013 || c == 0x2014 || c == u'|' || c == u':' || c == 0xB7 || c == 0x2022;
}

// The end of the run of characters from `at` that pass the test.
template <typename Test> size_t runEnd(std::string_view text, size_t at, Test test) {
    while (at < text.size()) {
        const CodePoint c = decode(text, at);
        if (!test(c.value))
            break;
        at += c.bytes;
    }
    return at;
}

// A title's pieces between separators: a dash, bar, colon or bullet with blanks after it (and any
// before), as the engines split titles. One pass: a match can only begin at a blank or a separator, and
// a start that fails fails for the whole run it begins.
std::vector<std::string_view> titlePieces(std::string_view title) {
    std::vector<std::string_view> pieces;
    size_t pieceStart = 0;
    for (size_t at = 0; at < title.size();) {
        const CodePoint c = decode(title, at);
        if (!isBlank(c.value) && !isTitleSeparator(c.value)) {
            at += c.bytes;
            continue;
        }
        const size_t blanksEnd = runEnd(title, at, isBlank);
        const size_t separatorsEnd = runEnd(title, blanksEnd, isTitleSeparator);
        const size_t end = runEnd(title, separatorsEnd, isBlank);
        if (separatorsEnd > blanksEnd && end > separatorsEnd) {
            pieces.push_back(title.substr(pieceStart, at - pieceStart));
            pieceStart = at = end;
        } else {
            at = separatorsEnd;
        }
    }
    pieces.push_back(title.substr(pieceStart));
    return pieces;
}

std::string joinedWords(std::string_view text) {
    std::string joined;
    for (std::string_view word : WordsOf(text)) {
        if (!joined.empty())
            joined += ' ';
        joined += word;
    }
    return joined;
}

// What the index takes from one record: its searched fields folded and their words with their counts,
// each word once, in order of appearance.
struct FoldedRecord {
    std::array<std::string, kFieldCount> folded;
    std::array<std::vector<std::pair<std::string_view, int>>, kFieldCount> words;
    std::vector<PhrasePlaces::AtomPlaces> textPlaces;
};

// Fills the record in place: its words point into its folded text, which must not move after.
void foldRecord(const Connection::TextRow& row, FoldedRecord& record) {
    for (size_t f = 0; f < kFieldCount; ++f) {
        record.folded[f] = SearchText::Searchable(row[1 + f] ? *row[1 + f] : std::string());
        std::unordered_map<std::string_view, size_t> seen;
        auto& words = record.words[f];
        for (std::string_view word : WordsOf(record.folded[f])) {
            const auto [place, added] = seen.try_emplace(word, words.size());
            if (added)
                words.emplace_back(word, 0);
            words[place->second].second = std::min(words[place->second].second + 1, kCountCap);
        }
    }
    record.textPlaces = PhrasePlaces::Of(record.folded[kTextField]);
}

// Decoding and folding is most of a closing run's work, and every row stands alone, so the rows are
// shared out among the cores.
void foldRecords(const std::vector<Connection::TextRow>& rows, std::vector<FoldedRecord>& records) {
    const auto workers = static_cast<size_t>(WorkerThreadCount());
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w) {
        threads.emplace_back([&, w] {
            for (size_t r = w; r < rows.size(); r += workers)
                foldRecord(rows[r], records[r]);
        });
    }
    for (size_t r = 0; r < rows.size(); r += workers)
        foldRecord(rows[r], records[r]);
    for (std::thread& thread : threads)
        thread.join();
}

struct Vocabulary {
    std::unordered_map<std::string, size_t> ids;
    std::vector<const std::string*> words;
    std::vector<std::array<std::vector<Posting>, kFieldCount>> postings;

    void add(std::string_view word, size_t field, long long record, int count) {
        auto [place, added] = ids.try_emplace(std::string(word), words.size());
        if (added) {
            words.push_back(&place->first);
            postings.emplace_back();
        }
        postings[place->second][field].push_back({record, count});
    }
};

using Kinds = std::array<int, 3>; // whole word, start of a word, inside a word

// The places of `part` in `word`, taken from the left without overlap, by kind.
Kinds kindsIn(std::string_view part, std::string_view word) {
    Kinds kinds{};
    for (size_t at = word.find(part); at != std::string_view::npos; at = word.find(part, at + part.size()))
        ++kinds[at > 0 ? 2 : part.size() == word.size() ? 0 : 1];
    return kinds;
}

void appendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::optional<std::string> textOrNull(std::string text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

void insertInBatches(Connection& connection, const std::string& sql, std::vector<Connection::TextRow>& rows,
                     bool flush) {
    if (rows.size() >= kInsertBatch || (flush && !rows.empty())) {
        connection.executeForEach(sql, rows);
        rows.clear();
    }
}

} // namespace

std::string EncodePostings(const std::vector<Posting>& postings) {
    std::string encoded;
    long long last = 0;
    for (const Posting& posting : postings) {
        if (!encoded.empty())
            encoded += ',';
        encoded += std::to_string(posting.record - last);
        if (posting.count > 1)
            encoded += ':' + std::to_string(posting.count);
        last = posting.record;
    }
    return encoded;
}

std::string EncodeOccurrences(const std::vector<Occurrences>& occurrences) {
    std::string encoded;
    for (const Occurrences& o : occurrences) {
        appendBigEndian(encoded, static_cast<uint32_t>(o.record));
        appendBigEndian(encoded, static_cast<uint32_t>(o.whole | o.start << 7 | o.inside << 14));
    }
    return encoded;
}

TitleReading ReadTitle(std::string_view foldedTitle, const std::set<std::string>& shared) {
    TitleReading reading;
    const std::string words = joinedWords(foldedTitle);
    reading.untitled = words.empty() || words == "no title";
    reading.topic = std::string(foldedTitle);
    const std::vector<std::string_view> pieces = titlePieces(foldedTitle);
    if (pieces.size() > 1) {
        std::string kept;
        size_t keptCount = 0;
        for (std::string_view piece : pieces) {
            if (shared.count(joinedWords(piece)))
                continue;
            if (keptCount++ > 0)
                kept += " - ";
            kept += piece;
        }
        if (keptCount > 0 && keptCount < pieces.size())
            reading.topic = kept;
    }
    // Built a character at a time: GCC 12's release build mistakes a copied "\n" for an overlapping copy.
    reading.parts.assign(1, '\n');
    reading.parts += joinedWords(reading.topic);
    reading.parts += '\n';
    const std::vector<std::string_view> topicPieces = titlePieces(reading.topic);
    if (topicPieces.size() > 1) {
        for (std::string_view piece : topicPieces)
            reading.parts += joinedWords(piece) + "\n";
    }
    return reading;
}

std::vector<std::string_view> WordsOf(std::string_view folded) {
    std::vector<std::string_view> words;
    size_t start = std::string_view::npos;
    for (size_t at = 0; at < folded.size();) {
        const CodePoint c = decode(folded, at);
        const bool word = isWordCharacter(c.value);
        if (word && start == std::string_view::npos)
            start = at;
        if (!word && start != std::string_view::npos) {
            words.push_back(folded.substr(start, at - start));
            start = std::string_view::npos;
        }
        at += c.bytes;
    }
    if (start != std::string_view::npos)
        words.push_back(folded.substr(start));
    return words;
}

std::vector<std::string> SharedTitleParts(const std::vector<std::string>& foldedTitles) {
    const double least = std::max(3.0, static_cast<double>(foldedTitles.size()) / 5);
    std::map<std::string, int> times;
    std::set<std::string> shared;
    for (const std::string& title : foldedTitles) {
        const std::vector<std::string_view> pieces = titlePieces(title);
        if (pieces.size() < 2)
            continue;
        std::set<std::string> seen;
        for (std::string_view piece : pieces) {
            std::string words = joinedWords(piece);
            if (!seen.insert(words).second)
                continue;
            if (++times[words] >= least)
                shared.insert(std::move(words));
        }
    }
    return {shared.begin(), shared.end()};
}

namespace {

// For every vocabulary word of at most kLongestSummed bytes, its occurrences in every record as a query
// word: summed over the vocabulary words that hold it, by where it stands in them. A query word is
// nearly always such a word, and the sum is what a page would otherwise add up over thousands of
// postings for every request. Longer words are summed by the pages themselves, which keeps this linear
// in the vocabulary's size.
constexpr size_t kLongestSummed = 48;

void writeOccurrences(Connection& connection, const Vocabulary& vocabulary, size_t recordCount) {
    // Which vocabulary words hold each one, and how.
    std::vector<std::vector<std::pair<size_t, Kinds>>> holders(vocabulary.words.size());
    for (size_t id = 0; id < vocabulary.words.size(); ++id) {
        const std::string_view word = *vocabulary.words[id];
        std::vector<size_t> starts;
        for (size_t at = 0; at < word.size(); at += decode(word, at).bytes)
            starts.push_back(at);
        starts.push_back(word.size());
        std::set<size_t> seen;
        for (size_t i = 0; i + 1 < starts.size(); ++i) {
            for (size_t j = i + 1; j < starts.size() && starts[j] - starts[i] <= kLongestSummed; ++j) {
                const std::string_view part = word.substr(starts[i], starts[j] - starts[i]);
                const auto found = vocabulary.ids.find(std::string(part));
                if (found != vocabulary.ids.end() && seen.insert(found->second).second)
                    holders[found->second].emplace_back(id, kindsIn(part, word));
            }
        }
    }
    const std::string insert =
        "INSERT INTO SearchOccurrences (WordID, Field, Records) VALUES (?, ?, CAST(? AS BLOB))";
    std::vector<Connection::TextRow> rows;
    std::vector<Kinds> sums(recordCount);
    std::vector<long long> touched;
    for (size_t id = 0; id < holders.size(); ++id) {
        if (holders[id].empty())
            continue;
        for (size_t f = 0; f < kFieldCount; ++f) {
            for (const auto& [holder, kinds] : holders[id]) {
                for (const Posting& posting : vocabulary.postings[holder][f]) {
                    Kinds& sum = sums[static_cast<size_t>(posting.record)];
                    if (sum == Kinds{})
                        touched.push_back(posting.record);
                    // The ranking counts no more of a kind; a sum at the cap stays there.
                    for (size_t k = 0; k < 3; ++k)
                        sum[k] = std::min(sum[k] + kinds[k] * posting.count, kCountCap);
                }
            }
            if (touched.empty())
                continue;
            std::sort(touched.begin(), touched.end());
            std::vector<Occurrences> occurrences;
            for (long long record : touched) {
                Kinds& sum = sums[static_cast<size_t>(record)];
                occurrences.push_back({record, sum[0], sum[1], sum[2]});
                sum = Kinds{};
            }
            touched.clear();
            rows.push_back({std::to_string(id), std::to_string(f), EncodeOccurrences(occurrences)});
            insertInBatches(connection, insert, rows, false);
        }
    }
    insertInBatches(connection, insert, rows, true);
}

} // namespace

void Write(Connection& connection) {
    connection.executeScript(kTables);
    // Index order is the order of the browser engine's array: by record number, rows without one first.
    const std::vector<Connection::TextRow> order =
        connection.textRows("SELECT rowid, ID, FileName FROM IndexData ORDER BY ID, rowid");
    Vocabulary vocabulary;
    PhrasePlaces phrasePlaces;
    // The short fields of every record: the title's reading needs every title first.
    std::vector<Connection::TextRow> recordRows;
    for (size_t first = 0; first < order.size(); first += kChunk) {
        const size_t end = std::min(order.size(), first + kChunk);
        // Rowids are the database's own integers, so they can stand in the statement.
        std::string sql = "SELECT rowid, Title, Keywords, Description, Text FROM IndexData WHERE rowid IN (";
        for (size_t r = first; r < end; ++r)
            sql += (r > first ? "," : "") + *order[r][0];
        std::vector<Connection::TextRow> rows = connection.textRows(sql + ")");
        std::unordered_map<std::string, size_t> place;
        for (size_t k = 0; k < rows.size(); ++k)
            place[*rows[k][0]] = k;
        std::vector<Connection::TextRow> inOrder;
        for (size_t r = first; r < end; ++r)
            inOrder.push_back(std::move(rows[place.at(*order[r][0])]));
        rows.clear();
        std::vector<FoldedRecord> folded(inOrder.size());
        foldRecords(inOrder, folded);
        for (size_t r = first; r < end; ++r) {
            FoldedRecord& record = folded[r - first];
            const auto number = static_cast<long long>(r);
            for (size_t f = 0; f < kFieldCount; ++f) {
                for (const auto& [word, count] : record.words[f])
                    vocabulary.add(word, f, number, count);
            }
            phrasePlaces.add(number, record.textPlaces);
            recordRows.push_back({std::to_string(number), order[r][0], order[r][1],
                                  std::move(record.folded[0]), textOrNull(record.folded[1]),
                                  textOrNull(record.folded[2]),
                                  std::to_string(utf16Length(record.folded[kTextField])), order[r][2]});
        }
    }

    std::vector<std::string> titles;
    for (const Connection::TextRow& row : recordRows)
        titles.push_back(*row[3]);
    const std::vector<std::string> sharedParts = SharedTitleParts(titles);
    titles.clear();
    const std::set<std::string> shared(sharedParts.begin(), sharedParts.end());
    const std::string insertRecord =
        "INSERT INTO SearchRecords (Rec, Row, ID, Title, Keywords, Description, "
        "TextLength, Address, Topic, TitleParts, Untitled) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    std::vector<Connection::TextRow> batch;
    for (Connection::TextRow& row : recordRows) {
        TitleReading title = ReadTitle(*row[3], shared);
        row[3] = textOrNull(std::move(*row[3]));
        row.push_back(textOrNull(std::move(title.topic)));
        row.push_back(std::move(title.parts));
        row.push_back(title.untitled ? "1" : "0");
        batch.push_back(std::move(row));
        insertInBatches(connection, insertRecord, batch, false);
    }
    insertInBatches(connection, insertRecord, batch, true);
    recordRows.clear();

    const std::string insertWord = "INSERT INTO SearchWords (WordID, Word, Summed) VALUES (?, ?, ?)";
    const std::string insertPostings = "INSERT INTO SearchPostings (WordID, Field, Records) VALUES (?, ?, ?)";
    std::vector<Connection::TextRow> wordRows, postingRows;
    for (size_t id = 0; id < vocabulary.words.size(); ++id) {
        const std::string& word = *vocabulary.words[id];
        wordRows.push_back({std::to_string(id), word, word.size() <= kLongestSummed ? "1" : "0"});
        insertInBatches(connection, insertWord, wordRows, false);
        for (size_t f = 0; f < kFieldCount; ++f) {
            if (vocabulary.postings[id][f].empty())
                continue;
            postingRows.push_back(
                {std::to_string(id), std::to_string(f), EncodePostings(vocabulary.postings[id][f])});
            insertInBatches(connection, insertPostings, postingRows, false);
        }
    }
    insertInBatches(connection, insertWord, wordRows, true);
    insertInBatches(connection, insertPostings, postingRows, true);
    writeOccurrences(connection, vocabulary, order.size());
    phrasePlaces.write(connection);

    std::vector<Connection::TextRow> partRows;
    for (const std::string& part : sharedParts)
        partRows.push_back({part});
    connection.executeForEach("INSERT INTO SearchSharedParts (Part) VALUES (?)", partRows);
}

} // namespace WordIndex
