#pragma once

#include <string>
#include <string_view>
#include <vector>

class Connection;

// The word index the server-side search pages answer from, written beside IndexData when a run ends, so
// that a request reads the few words it asks for instead of every page's text. Plain tables with
// ordinary keys (no full-text module), as a web server's ODBC driver reads them:
//   SearchRecords      one row per record in index order (Rec, from 0): its IndexData rowid (Row), ID,
//                      the searched short fields folded (Title, Keywords, Description) and the length of
//                      the folded Text in UTF-16 units, which the ranking weighs;
//   SearchWords        the vocabulary: every run of word characters of the folded fields (WordID, Word);
//   SearchPostings     per word and field (0 title, 1 keywords, 2 description, 3 text) the records that
//                      hold it and how often, at most kCountCap (see EncodePostings);
//   SearchSharedParts  the title parts most titles share, as their words joined by blanks (Part).
// The browser engine builds the same index in the visitor's browser; both must agree on what a word is.
namespace WordIndex {

// As many of a word in one field as the ranking ever counts.
inline constexpr int kCountCap = 100;

struct Posting {
    long long record;
    int count;
};

// The records of a word's postings, in increasing order, as text: entries separated by ",", each the
// record's distance from the one before (the first one's number itself), followed by ":" and the count
// when it is more than one ("0,5:3,12" is record 0 once, 5 three times and 17 once). Text, because the
// ASP page's script language reads no binary values; decimal, because it parses it fastest.
std::string EncodePostings(const std::vector<Posting>& postings);

// The runs of word characters of folded text, in order of appearance.
std::vector<std::string_view> WordsOf(std::string_view folded);

// The title parts that at least a fifth of the titles (and at least three) have, each as its words
// joined by single blanks, sorted: "Topic - Site" names the site on every page.
std::vector<std::string> SharedTitleParts(const std::vector<std::string>& foldedTitles);

// Replaces the search tables with those of the rows IndexData holds now, inside the caller's
// transaction. Throws DatabaseError.
void Write(Connection& connection);

} // namespace WordIndex
