#include "store/SearchText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <gtest/gtest.h>
#include <string>
#include <string_view>

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

// The corpus every engine's tests read (tests/parity): the search text must show and fold each of its
// texts as the search engines do, or the PHP page would look for words the index does not hold.
TEST(SearchText, TheSharedCorpusIsShownAndFoldedAsEveryEngineDoes) {
    QFile file(QStringLiteral(FINDLARK_SOURCE_DIR "/tests/parity/corpus.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray texts = QJsonDocument::fromJson(file.readAll()).object().value(u"texts").toArray();
    ASSERT_GE(texts.size(), 10);
    for (const QJsonValue& value : texts) {
        const QJsonObject entry = value.toObject();
        const std::string text = entry.value(u"text").toString().toStdString();
        const std::string about = entry.value(u"about").toString().toStdString();
        const std::string folded = entry.value(u"folded").toString().toStdString();
        EXPECT_EQ(SearchText::ShownText(text), entry.value(u"shown").toString().toStdString()) << about;
        EXPECT_EQ(SearchText::FoldCase(SearchText::ShownText(text)), folded) << about;
        EXPECT_EQ(SearchText::Searchable(text), folded) << about; // no text holds a stored escape
    }
}

TEST(SearchText, ThePhpTableHoldsExactlyTheChangedCharacters) {
    const std::string table = SearchText::PhpFoldTable();
    EXPECT_NE(table.find("\"\\u{41}\"=>\"\\u{61}\",\n"), std::string::npos);
    EXPECT_NE(table.find("\"\\u{2019}\"=>\"\\u{27}\",\n"), std::string::npos);
    EXPECT_NE(table.find("\"\\u{130}\"=>\"\\u{69}\",\n"), std::string::npos);
    EXPECT_EQ(table.find("\"\\u{61}\"=>"), std::string::npos);
}

namespace {

std::string utf8(std::u32string_view codes) {
    return QString::fromUcs4(codes.data(), static_cast<qsizetype>(codes.size())).toStdString();
}

std::string repeated(std::string_view piece, size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

TEST(SearchText, EveryAsciiCapitalFoldsToItsSmallLetter) {
    EXPECT_EQ(SearchText::FoldCase("ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{"), "abcdefghijklmnopqrstuvwxyz@[`{");
}

// Each text holds characters that decomposition, composition or reordering would move the rest of the
// text for, one after another: minutes of work where the time grows with the square of the text.
TEST(SearchText, LongTextsThatNormalizationChangesEverywhereArePreparedInOnePass) {
    // Kelvin sign and capital I with a dot, a million of them: both change under normalization or folding.
    constexpr size_t kPairs = 500000;
    EXPECT_EQ(SearchText::Searchable(repeated(utf8(U"\u212A\u0130"), kPairs)), repeated("ki", kPairs));
    // One letter carrying marks out of canonical order: the acute joins the letter, the rest are sorted.
    constexpr size_t kMarks = 100000;
    EXPECT_EQ(SearchText::ShownText("a" + repeated(utf8(U"\u0301\u0316"), kMarks)),
              utf8(U"\u00E1") + repeated(utf8(U"\u0316"), kMarks) + repeated(utf8(U"\u0301"), kMarks - 1));
    // A reference with a million leading zeros.
    EXPECT_EQ(SearchText::DecodeReferences("&#" + std::string(1000000, '0') + "65;"), "A");
}

// The text is normalized a piece at a time; the result must be that of the whole text at once.
TEST(SearchText, NormalizingInPiecesGivesTheWholeTextsResult) {
    // Starters, letters that decompose, jamo, vowel signs that join the letter before them, ...
    const std::u32string starters = U"aeIK \u00E9\u0130\u212A\u1E09\u1100\uAC00\u0B47\u0DD9\u03A9\u2126";
    // ... and what cannot start a piece: marks of several classes (one outside the BMP), a Tibetan vowel
    // whose decomposition starts with a mark, jamo and vowel signs that join the character before them.
    const std::u32string joining = U"\u0301\u0316\u0344\u0327\u0308\u0F71\u0F72\u0F73\u0B3E\u0DCF\u0DCA"
                                   U"\u1161\u11A8\U0001D165\U0001D16D";
    unsigned state = 12345;
    const auto next = [&state](size_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % bound;
    };
    for (int sample = 0; sample < 40; ++sample) {
        std::u32string codes;
        const size_t length = 100 + static_cast<size_t>(sample) * 40;
        // Every fourth text is one letter with only joining characters after it: a piece too long to leave
        // to Qt whole.
        const bool oneRun = sample % 4 == 0;
        for (size_t i = 0; i < length; ++i) {
            const bool start = oneRun ? i == 0 : next(2) == 0;
            codes += start ? starters[next(starters.size())] : joining[next(joining.size())];
        }
        // A lone surrogate (it can only come from a stored escape) in some of them.
        std::string stored = utf8(codes);
        if (sample % 5 == 0)
            stored = utf8(codes.substr(0, length / 2)) + "\\uD800" + utf8(codes.substr(length / 2));
        const QString whole =
            QString::fromUtf8(SearchText::UnescapeStored(stored)).normalized(QString::NormalizationForm_C);
        EXPECT_EQ(SearchText::Searchable(stored), SearchText::FoldCase(whole.toStdString()))
            << "sample " << sample;
    }
    // Pieces that nothing changes go over as they are; a lone change far from any other must still be
    // made: a letter that decomposes to another (the Kelvin sign), a letter and its mark.
    const std::string plain(600, 'x');
    EXPECT_EQ(SearchText::ShownText(plain + utf8(U"\u212A") + plain + "e" + utf8(U"\u0301") + plain +
                                    utf8(U"\u2014")),
              plain + "K" + plain + utf8(U"\u00E9") + plain + utf8(U"\u2014"));
}
