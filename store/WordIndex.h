#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class Connection;

// The word index the server-side search pages answer from, written beside IndexData when a run ends, so
// that a request reads the few words it asks for instead of every page's text. Plain tables with
// ordinary keys (no full-text module), as a web server's ODBC driver reads them:
//   SearchRecords      one row per record in index order (Rec, from 0): its IndexData rowid (Row), ID,
//                      the searched short fields folded (Title, Keywords, Description), the length of
//                      the folded Text in UTF-16 units, and how the ranking reads the title (ReadTitle);
//   SearchWords        the vocabulary: every run of word characters of the folded fields (WordID, Word),
//                      and whether SearchOccurrences holds the word (Summed, see kSummedVolume);
//   SearchPostings     per word and field (0 title, 1 keywords, 2 description, 3 text) the records that
//                      hold it and how often, at most kCountCap (see EncodePostings);
//   SearchOccurrences  per word and field, its occurrences in each record as a query word would find
//                      them inside the vocabulary's words (see EncodeOccurrences);
//   SearchSharedParts  the title parts most titles share, as their words joined by blanks (Part).
//   SearchAtoms, SearchPlaces  where the text's words stand, for phrases (see PhrasePlaces).
// The browser engine builds the same index in the visitor's browser; both must agree on what a word is.
namespace WordIndex {

// As many of a word in one field as the ranking ever counts.
inline constexpr int kCountCap = 100;

// A query word's occurrences are summed for the pages when the vocabulary words holding it have at least
// this many postings together. Every word is, for now: a page finds the holders of a word that is not
// summed by reading the whole vocabulary, which at 7,670 pages costs a multi-word query more than adding
// up a few hundred postings saves (with 1,024 here the table was 12% smaller and such queries 2-3 times
// slower). Worth raising once the pages find holders without that scan.
inline constexpr size_t kSummedVolume = 1;

struct Posting {
    uint32_t record;
    int count;
};

// The records of a word's postings, in increasing order, as text: entries separated by ",", each the
// record's distance from the one before (the first one's number itself), followed by ":" and the count
// when it is more than one ("0,5:3,12" is record 0 once, 5 three times and 17 once). Text, because the
// ASP page's script language reads no binary values; decimal, because it parses it fastest.
std::string EncodePostings(const std::vector<Posting>& postings);

// A word's occurrences in one record's field by kind, each at most kCountCap.
struct Occurrences {
    long long record;
    int whole;
    int start;
    int inside;
};

// Two variable-length numbers an entry (see VarInt): the record's distance from the one before (the first
// one's number itself), then whole + start * 128 + inside * 16384, so that the usual entry, a few whole
// words in a record near the last, takes two bytes. The ASP page reads the bytes as hex().
std::string EncodeOccurrences(const std::vector<Occurrences>& occurrences);

// The title as the ranking reads it: without the shared parts unless nothing else is left (Topic), that
// title's parts as words joined by blanks, each between line breaks (TitleParts: "\nos path join\n"),
// and whether the record has no title at all (Untitled).
struct TitleReading {
    std::string topic;
    std::string parts;
    bool untitled = false;
};
TitleReading ReadTitle(std::string_view foldedTitle, const std::set<std::string>& shared);

// The runs of word characters of folded text, in order of appearance.
std::vector<std::string_view> WordsOf(std::string_view folded);

// The title parts that at least a fifth of the titles (and at least three) have, each as its words
// joined by single blanks, sorted: "Topic - Site" names the site on every page.
std::vector<std::string> SharedTitleParts(const std::vector<std::string>& foldedTitles);

// Builds the word index of a run's rows as the run adds them, so that its end writes the tables without
// reading the rows back.
class Builder {
public:
    Builder();
    ~Builder();
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;

    // A row as IndexData holds it (`row` its rowid, `id` its ID), the fields in their stored form; the
    // address is its FileName.
    void add(long long row, long long id, std::string_view title, std::string_view text,
             std::string_view keywords, std::string_view description, std::string_view address);
    // Replaces the search tables with those of the rows added, inside the caller's transaction. Throws
    // DatabaseError.
    void write(Connection& connection);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace WordIndex
