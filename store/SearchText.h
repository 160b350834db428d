#pragma once

#include <string>
#include <string_view>

// The text of an index field as the search engines search it. The server-side pages cannot afford to
// decode and case-fold every page for every request, so a run's word index is made from the fields in
// this form when it ends, and a request folds only the query and the texts it must read.
namespace SearchText {

// A stored field means what it would mean inside a double-quoted script string (the form webdata.js
// holds): \", \\, \n, \xHH, \uHHHH and the like are replaced by what they stand for.
std::string UnescapeStored(std::string_view stored);

// Character references decoded once ("&amp;lt;" gives "&lt;"), named ones only with their semicolon;
// numeric references to 128..159 read as Windows-1252 punctuation, as browsers read them.
std::string DecodeReferences(std::string_view text);

// The text a visitor sees: references decoded, NUL shown as a blank, accents composed (NFC).
std::string ShownText(std::string_view text);

// Lower case character by character (so positions stay those of the shown text, counted in UTF-16
// units), with final sigma and the typographic single quotes folded onto sigma and the plain apostrophe.
std::string FoldCase(std::string_view text);

// The form a stored field is searched in: unescaped, shown, folded.
std::string Searchable(std::string_view stored);

// The PHP table that makes FoldCase's mapping available to the PHP engine, as the body of an array
// literal: one "'A' => 'a'," entry a line for every code point that folding changes.
std::string PhpFoldTable();

} // namespace SearchText
