#include "generator/SearchText.h"

#include <gtest/gtest.h>

// What the browser engine makes of the same stored text is checked against it by the PHP parity tests;
// these pin the edges where a port most easily goes wrong.

TEST(SearchText, StoredEscapesMeanWhatTheScriptStringMeans) {
    EXPECT_EQ(SearchText::UnescapeStored(R"(a\"b\\c\n\x41\u00e9\q\)"), "a\"b\\c\nA\xC3\xA9q\\");
    EXPECT_EQ(SearchText::UnescapeStored(R"(\x4 \u12)"), "x4 u12");
}

TEST(SearchText, ReferencesAreDecodedOnceAndOnlyWhenWellFormed) {
    const std::pair<const char*, const char*> cases[] = {
        {"&amp;lt;", "&lt;"},
        {"AT&T; &T;", "AT&T; &T;"},
        {"&eacute;&eacute", "\xC3\xA9&eacute"},
        {"&#65&#x42;&#X43", "ABC"},
        {"&#146;&#0;&#x110000;&#55296;", "\xE2\x80\x99\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"&#000000065;&#123456789;", "A\xEF\xBF\xBD"},
        {"&constructor; &#; &#x;", "&constructor; &#; &#x;"},
        {"&sigmaf;&Omega;&diams;", "\xCF\x82\xCE\xA9\xE2\x99\xA6"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SearchText::DecodeReferences(in), out) << in;
}

TEST(SearchText, FoldingKeepsEveryCharacterInItsPlace) {
    // U+0130 folds to a plain "i" (the browser keeps one unit of its two-character lower case); final
    // sigma and the curly single quotes fold onto sigma and the apostrophe; a decomposed accent is composed.
    EXPECT_EQ(
        SearchText::FoldCase("\xC4\xB0STANBUL \xCE\xA3\xCF\x82 \xE2\x80\x98X\xE2\x80\x99 \xF0\x90\x90\x80"),
        "istanbul \xCF\x83\xCF\x83 'x' \xF0\x90\x90\xA8");
    EXPECT_EQ(SearchText::Searchable("E\xCC\x81t&eacute;\\u0000"), "\xC3\xA9t\xC3\xA9 ");
}

TEST(SearchText, ThePhpTableHoldsExactlyTheChangedCharacters) {
    const std::string table = SearchText::PhpFoldTable();
    EXPECT_NE(table.find("\"\\u{41}\"=>\"\\u{61}\",\n"), std::string::npos);
    EXPECT_NE(table.find("\"\\u{2019}\"=>\"\\u{27}\",\n"), std::string::npos);
    EXPECT_NE(table.find("\"\\u{130}\"=>\"\\u{69}\",\n"), std::string::npos);
    EXPECT_EQ(table.find("\"\\u{61}\"=>"), std::string::npos);
}

TEST(SearchText, TextsTheTrigramIndexWouldFoldFurtherAreMarked) {
    EXPECT_EQ(SearchText::FoldsFurther("plain text, caf\xC3\xA9, \xCF\x83"), "0");
    EXPECT_EQ(SearchText::FoldsFurther("\xC5\xBFqlite"), "1"); // the long s folds to "s"
}
