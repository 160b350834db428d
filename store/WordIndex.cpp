#include "store/WordIndex.h"

#include "platform/Database.h"
#include "platform/OrderedWork.h"
#include "platform/WorkerThreads.h"
#include "store/BatchInsert.h"
#include "store/CodePoints.h"
#include "store/PhrasePlaces.h"
#include "store/SearchText.h"
#include "store/VarInt.h"
#include "store/WordNumbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <thread>

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

using CodePoints::CodePoint;
constexpr auto decode = CodePoints::Decode;

// Letters, digits and the underscore are word characters; every blank, punctuation mark and symbol ends
// a word. Beyond ASCII only the blocks of punctuation, arrows, mathematical and technical signs and the
// full-width forms end one. Characters beyond the first plane are word characters (the browser sees
// their two halves, neither of which ends a word).
constexpr bool isWordCharacter(char32_t c) {
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

constexpr std::array<bool, 0x80> kAsciiWord = CodePoints::AsciiAnswers(isWordCharacter);

// Calls `visit` with each run of word characters of folded text, in order of appearance.
template <typename Visit> void forEachWord(std::string_view folded, Visit visit) {
    CodePoints::ForEachRun(folded, kAsciiWord, isWordCharacter,
                           [&](size_t start, size_t end) { visit(folded.substr(start, end - start)); });
}

// The length the browser gives the text: UTF-16 units.
long long utf16Length(std::string_view text) {
    long long units = 0;
    for (size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++units;
            ++at;
            continue;
        }
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

using Kinds = std::array<int, 3>; // whole word, start of a word, inside a word

// The places of `part` in `word`, taken from the left without overlap, by kind.
Kinds kindsIn(std::string_view part, std::string_view word) {
    Kinds kinds{};
    for (size_t at = word.find(part); at != std::string_view::npos; at = word.find(part, at + part.size()))
        ++kinds[at > 0 ? 2 : part.size() == word.size() ? 0 : 1];
    return kinds;
}

void appendNumber(std::string& out, unsigned long long value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

std::optional<std::string> textOrNull(std::string text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace

std::string EncodePostings(const std::vector<Posting>& postings) {
    std::string encoded;
    uint32_t last = 0;
    for (const Posting& posting : postings) {
        if (!encoded.empty())
            encoded += ',';
        appendNumber(encoded, posting.record - last);
        if (posting.count > 1) {
            encoded += ':';
            appendNumber(encoded, static_cast<unsigned>(posting.count));
        }
        last = posting.record;
    }
    return encoded;
}

std::string EncodeOccurrences(const std::vector<Occurrences>& occurrences) {
    std::string encoded;
    long long last = 0;
    for (const Occurrences& o : occurrences) {
        VarInt::Append(encoded, static_cast<unsigned long long>(o.record - last));
        VarInt::Append(encoded, static_cast<unsigned long long>(o.whole | o.start << 7 | o.inside << 14));
        last = o.record;
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
    forEachWord(folded, [&](std::string_view word) { words.push_back(word); });
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

// Words of at most kLongestSummed bytes may be summed: finding the vocabulary words that hold one then
// stays linear in the vocabulary's size. Longer ones are summed by the pages themselves.
constexpr size_t kLongestSummed = 48;

// What the index keeps of a record besides its words: where its row is and its short fields folded.
struct RecordEntry {
    long long row;
    long long id;
    std::string title;
    std::string keywords;
    std::string description;
    long long textLength;
    std::string address;
};

struct Holder {
    uint32_t word;
    Kinds kinds;
};

// The end of a run has the cores to itself: `work(worker, k)` is called for every k below `count`, the
// numbers dealt out in turn to one worker per core.
template <typename Work> void shareOut(size_t count, Work work) {
    const auto workers = static_cast<size_t>(WorkerThreadCount());
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w) {
        threads.emplace_back([&, w] {
            for (size_t k = w; k < count; k += workers)
                work(w, k);
        });
    }
    for (size_t k = 0; k < count; k += workers)
        work(0, k);
    for (std::thread& thread : threads)
        thread.join();
}

// A field's words, each once, and how often it occurs (at most kCountCap).
struct FieldWord {
    std::string_view word;
    size_t hash;
    int count;
};

// What a row adds to the index, worked out apart from the index so that rows are prepared on all cores
// while the one thread that adds them to the index keeps their order. The views point into `folded`,
// which stays where it is while the row is in hand.
struct PreparedRow {
    long long row = 0;
    long long id = 0;
    std::array<std::string, kFieldCount> folded; // as stored until prepared
    std::string address;
    std::array<std::vector<FieldWord>, kFieldCount> words;
    PhrasePlaces::TextAtoms atoms;
    long long textLength = 0;
};

std::vector<FieldWord> fieldWordsOf(std::string_view folded) {
    WordNumbers<std::string_view> seen;
    std::vector<FieldWord> words;
    forEachWord(folded, [&](std::string_view word) {
        bool added = false;
        const size_t hash = WordHash(word);
        const uint32_t k = seen.add(word, hash, added);
        if (added)
            words.push_back({word, hash, 1});
        else if (words[k].count < kCountCap)
            ++words[k].count;
    });
    return words;
}

void prepare(std::unique_ptr<PreparedRow>& row) {
    for (size_t f = 0; f < kFieldCount; ++f) {
        row->folded[f] = SearchText::Searchable(row->folded[f]);
        row->words[f] = fieldWordsOf(row->folded[f]);
    }
    row->atoms = PhrasePlaces::Of(row->folded[kTextField]);
    row->textLength = utf16Length(row->folded[kTextField]);
}

// Rows wait in hand while other cores prepare the ones after them; a few per core keep all of them busy.
constexpr size_t kRowsInHand = 16;

} // namespace

struct Builder::State {
    std::vector<RecordEntry> records;
    WordNumbers<std::string> words;
    std::vector<std::array<std::vector<Posting>, kFieldCount>> postings;
    // Where the texts' words stand, added as the rows come while they come in index order.
    PhrasePlaces phrasePlaces;
    bool inIndexOrder = true;
    long long lastId = LLONG_MIN;
    OrderedWork<std::unique_ptr<PreparedRow>> preparing{WorkerThreadCount(), kRowsInHand, prepare};

    void addPrepared(PreparedRow& row);
    void addEveryRow();
    void putInIndexOrder();
    void placeTextsAgain(Connection& connection);
    void writeRecords(Connection& connection, const std::vector<std::string>& sharedParts);
    std::vector<std::vector<Holder>> holdersOfSummedWords() const;
    std::vector<uint32_t> alphabetical() const;
    void writeWords(Connection& connection, const std::vector<uint32_t>& order,
                    const std::vector<std::vector<Holder>>& holders);
    void writeOccurrences(Connection& connection, const std::vector<uint32_t>& order,
                          const std::vector<std::vector<Holder>>& holders);
};

Builder::Builder() : m_state(std::make_unique<State>()) {}
Builder::~Builder() = default;

void Builder::add(long long row, long long id, std::string_view title, std::string_view text,
                  std::string_view keywords, std::string_view description, std::string_view address) {
    State& state = *m_state;
    auto prepared = std::make_unique<PreparedRow>();
    prepared->row = row;
    prepared->id = id;
    prepared->folded = {std::string(title), std::string(keywords), std::string(description),
                        std::string(text)};
    prepared->address = address;
    if (state.preparing.full())
        state.addPrepared(*state.preparing.takeOldest());
    state.preparing.give(std::move(prepared));
    while (state.preparing.oldestDone())
        state.addPrepared(*state.preparing.takeOldest());
}

void Builder::State::addPrepared(PreparedRow& row) {
    const auto record = static_cast<uint32_t>(records.size());
    for (size_t f = 0; f < kFieldCount; ++f) {
        for (const FieldWord& field : row.words[f]) {
            bool added = false;
            const uint32_t number = words.add(field.word, field.hash, added);
            if (added)
                postings.emplace_back();
            postings[number][f].push_back({record, field.count});
        }
    }
    inIndexOrder = inIndexOrder && row.id >= lastId;
    lastId = row.id;
    if (inIndexOrder)
        phrasePlaces.add(record, row.atoms);
    records.push_back({row.row, row.id, std::move(row.folded[0]), std::move(row.folded[1]),
                       std::move(row.folded[2]), row.textLength, std::move(row.address)});
}

void Builder::State::addEveryRow() {
    while (!preparing.empty())
        addPrepared(*preparing.takeOldest());
}

// Index order is the order of the browser engine's array: by record number, then as the rows were added.
// A run adds them in that order; only then is nothing to be moved.
void Builder::State::putInIndexOrder() {
    std::vector<uint32_t> order(records.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return records[a].id < records[b].id; });
    if (std::is_sorted(order.begin(), order.end()))
        return;
    std::vector<uint32_t> place(order.size());
    std::vector<RecordEntry> sorted;
    sorted.reserve(records.size());
    for (size_t k = 0; k < order.size(); ++k) {
        place[order[k]] = static_cast<uint32_t>(k);
        sorted.push_back(std::move(records[order[k]]));
    }
    records = std::move(sorted);
    for (auto& fields : postings) {
        for (std::vector<Posting>& list : fields) {
            for (Posting& posting : list)
                posting.record = place[posting.record];
            std::sort(list.begin(), list.end(),
                      [](const Posting& a, const Posting& b) { return a.record < b.record; });
        }
    }
}

// Rows that came out of index order have their places taken again from their texts, now in that order.
void Builder::State::placeTextsAgain(Connection& connection) {
    phrasePlaces = PhrasePlaces();
    for (size_t r = 0; r < records.size(); ++r) {
        // Rowids are the database's own integers, so they can stand in the statement.
        const std::vector<Connection::TextRow> text =
            connection.textRows("SELECT Text FROM IndexData WHERE rowid = " + std::to_string(records[r].row));
        const std::string folded =
            SearchText::Searchable(text.empty() || !text[0][0] ? std::string() : *text[0][0]);
        phrasePlaces.add(static_cast<long long>(r), PhrasePlaces::Of(folded));
    }
}

void Builder::State::writeRecords(Connection& connection, const std::vector<std::string>& sharedParts) {
    const std::set<std::string> shared(sharedParts.begin(), sharedParts.end());
    const std::string insertRecord =
        "INSERT INTO SearchRecords (Rec, Row, ID, Title, Keywords, Description, "
        "TextLength, Address, Topic, TitleParts, Untitled) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    std::vector<Connection::TextRow> batch;
    for (size_t r = 0; r < records.size(); ++r) {
        RecordEntry& record = records[r];
        TitleReading title = ReadTitle(record.title, shared);
        batch.push_back({std::to_string(r), std::to_string(record.row), std::to_string(record.id),
                         textOrNull(std::move(record.title)), textOrNull(std::move(record.keywords)),
                         textOrNull(std::move(record.description)), std::to_string(record.textLength),
                         std::move(record.address), textOrNull(std::move(title.topic)),
                         std::move(title.parts), title.untitled ? "1" : "0"});
        InsertInBatches(connection, insertRecord, batch, false);
    }
    InsertInBatches(connection, insertRecord, batch, true);
}

// For every word worth summing, the vocabulary words that hold it and how; empty for the others. A word
// is worth it when a page would otherwise add up at least kSummedVolume postings for it.
std::vector<std::vector<Holder>> Builder::State::holdersOfSummedWords() const {
    std::vector<size_t> entries(words.size());
    for (size_t id = 0; id < words.size(); ++id) {
        for (const std::vector<Posting>& list : postings[id])
            entries[id] += list.size();
    }
    // Each worker finds the words held by its share of the vocabulary, as (held word, holder) pairs.
    struct Found {
        uint32_t held;
        Holder holder;
    };
    std::vector<std::vector<Found>> found(static_cast<size_t>(WorkerThreadCount()));
    std::vector<std::vector<uint32_t>> heldBy(found.size()); // by each worker: the last word holding each
    std::vector<std::vector<size_t>> starts(found.size());
    shareOut(words.size(), [&](size_t worker, size_t id) {
        std::vector<uint32_t>& held = heldBy[worker];
        if (held.empty())
            held.assign(words.size(), UINT32_MAX);
        const std::string_view word = words[id];
        std::vector<size_t>& at = starts[worker];
        at.clear();
        for (size_t k = 0; k < word.size(); k += decode(word, k).bytes)
            at.push_back(k);
        at.push_back(word.size());
        for (size_t i = 0; i + 1 < at.size(); ++i) {
            for (size_t j = i + 1; j < at.size() && at[j] - at[i] <= kLongestSummed; ++j) {
                const std::string_view part = word.substr(at[i], at[j] - at[i]);
                const uint32_t number = words.find(part);
                if (number == WordNumbers<std::string>::kNone || held[number] == id)
                    continue;
                held[number] = static_cast<uint32_t>(id);
                found[worker].push_back({number, {static_cast<uint32_t>(id), kindsIn(part, word)}});
            }
        }
    });
    std::vector<size_t> volume(words.size());
    for (const std::vector<Found>& pairs : found) {
        for (const Found& pair : pairs)
            volume[pair.held] += entries[pair.holder.word];
    }
    std::vector<std::vector<Holder>> holders(words.size());
    for (std::vector<Found>& pairs : found) {
        for (const Found& pair : pairs) {
            if (volume[pair.held] >= kSummedVolume)
                holders[pair.held].push_back(pair.holder);
        }
        std::vector<Found>().swap(pairs);
    }
    return holders;
}

// Numbered in the order of their words, so that both keys of the table grow row by row as it is written.
std::vector<uint32_t> Builder::State::alphabetical() const {
    std::vector<uint32_t> order(words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return words[a] < words[b]; });
    return order;
}

void Builder::State::writeWords(Connection& connection, const std::vector<uint32_t>& order,
                                const std::vector<std::vector<Holder>>& holders) {
    const std::string insertWord = "INSERT INTO SearchWords (WordID, Word, Summed) VALUES (?, ?, ?)";
    const std::string insertPostings = "INSERT INTO SearchPostings (WordID, Field, Records) VALUES (?, ?, ?)";
    std::vector<Connection::TextRow> wordRows, postingRows;
    for (size_t number = 0; number < order.size(); ++number) {
        const uint32_t id = order[number];
        wordRows.push_back({std::to_string(number), std::string(words[id]), holders[id].empty() ? "0" : "1"});
        InsertInBatches(connection, insertWord, wordRows, false);
        for (size_t f = 0; f < kFieldCount; ++f) {
            if (postings[id][f].empty())
                continue;
            postingRows.push_back(
                {std::to_string(number), std::to_string(f), EncodePostings(postings[id][f])});
            InsertInBatches(connection, insertPostings, postingRows, false);
        }
    }
    InsertInBatches(connection, insertWord, wordRows, true);
    InsertInBatches(connection, insertPostings, postingRows, true);
}

// For each summed word, its occurrences in every record as a query word: summed over the vocabulary words
// that hold it, by where it stands in them.
void Builder::State::writeOccurrences(Connection& connection, const std::vector<uint32_t>& order,
                                      const std::vector<std::vector<Holder>>& holders) {
    std::vector<uint32_t> summed; // by their numbers in SearchWords
    for (uint32_t number = 0; number < order.size(); ++number) {
        if (!holders[order[number]].empty())
            summed.push_back(number);
    }
    struct Sums {
        std::vector<Kinds> byRecord;
        std::vector<uint32_t> touched;
        std::vector<Occurrences> occurrences;
    };
    std::vector<Sums> workers(static_cast<size_t>(WorkerThreadCount()));
    const std::string insert =
        "INSERT INTO SearchOccurrences (WordID, Field, Records) VALUES (?, ?, CAST(? AS BLOB))";
    constexpr size_t kBatchWords = kInsertBatch / kFieldCount;
    const auto encodeBatch = [&](size_t first) {
        const size_t count = std::min(summed.size() - first, kBatchWords);
        std::vector<std::array<std::string, kFieldCount>> encoded(count);
        shareOut(count, [&](size_t worker, size_t k) {
            Sums& sums = workers[worker];
            sums.byRecord.resize(records.size());
            for (size_t f = 0; f < kFieldCount; ++f) {
                for (const auto& [holder, kinds] : holders[order[summed[first + k]]]) {
                    for (const Posting& posting : postings[holder][f]) {
                        Kinds& sum = sums.byRecord[posting.record];
                        if (sum == Kinds{})
                            sums.touched.push_back(posting.record);
                        // The ranking counts no more of a kind; a sum at the cap stays there.
                        for (size_t c = 0; c < 3; ++c)
                            sum[c] = std::min(sum[c] + kinds[c] * posting.count, kCountCap);
                    }
                }
                std::sort(sums.touched.begin(), sums.touched.end());
                sums.occurrences.clear();
                for (uint32_t record : sums.touched) {
                    Kinds& sum = sums.byRecord[record];
                    sums.occurrences.push_back({record, sum[0], sum[1], sum[2]});
                    sum = Kinds{};
                }
                sums.touched.clear();
                encoded[k][f] = EncodeOccurrences(sums.occurrences);
            }
        });
        std::vector<Connection::TextRow> rows;
        for (size_t k = 0; k < count; ++k) {
            for (size_t f = 0; f < kFieldCount; ++f) {
                if (!encoded[k][f].empty())
                    rows.push_back(
                        {std::to_string(summed[first + k]), std::to_string(f), std::move(encoded[k][f])});
            }
        }
        return rows;
    };
    // A batch at a time, so that only two batches of the table are ever in memory: the next one is
    // summed while SQLite stores this one.
    std::vector<Connection::TextRow> rows =
        summed.empty() ? std::vector<Connection::TextRow>() : encodeBatch(0);
    for (size_t first = 0; first < summed.size(); first += kBatchWords) {
        std::vector<Connection::TextRow> next;
        std::jthread ahead;
        if (first + kBatchWords < summed.size())
            ahead = std::jthread([&] { next = encodeBatch(first + kBatchWords); });
        connection.executeForEach(insert, rows);
        if (ahead.joinable())
            ahead.join();
        rows = std::move(next);
    }
}

void Builder::write(Connection& connection) {
    State& state = *m_state;
    state.addEveryRow();
    connection.executeScript(kTables);
    state.putInIndexOrder();
    if (!state.inIndexOrder)
        state.placeTextsAgain(connection);
    std::vector<std::string> titles;
    titles.reserve(state.records.size());
    for (const RecordEntry& record : state.records)
        titles.push_back(record.title);
    const std::vector<std::string> sharedParts = SharedTitleParts(titles);
    titles.clear();
    // The vocabulary is worked through while SQLite stores the records.
    std::vector<std::vector<Holder>> holders;
    std::vector<uint32_t> order;
    std::jthread reading([&] {
        holders = state.holdersOfSummedWords();
        order = state.alphabetical();
    });
    state.writeRecords(connection, sharedParts);
    reading.join();
    state.writeWords(connection, order, holders);
    state.writeOccurrences(connection, order, holders);
    state.phrasePlaces.write(connection);

    std::vector<Connection::TextRow> partRows;
    for (const std::string& part : sharedParts)
        partRows.push_back({part});
    connection.executeForEach("INSERT INTO SearchSharedParts (Part) VALUES (?)", partRows);
}

} // namespace WordIndex
