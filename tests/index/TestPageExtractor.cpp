#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "index/PageExtractor.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

PageFields html(std::string_view content, int indexColon = 0) {
    return ExtractPageText(content, FileKinds::Html, indexColon);
}

PageFields plain(std::string_view content, int indexColon = 0) {
    return ExtractPageText(content, FileKinds::Text, indexColon);
}

// What every field promises: it can stand between double quotes in a script. No line break, every
// backslash starts one of the two escapes we write, every double quote is escaped.
::testing::AssertionResult scriptStringSafe(std::string_view field) {
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\r' || c == '\n')
            return ::testing::AssertionFailure() << "line break at " << i;
        if (c == '"')
            return ::testing::AssertionFailure() << "bare double quote at " << i;
        if (c != '\\')
            continue;
        if (i + 1 == field.size() || (field[i + 1] != '\\' && field[i + 1] != '"'))
            return ::testing::AssertionFailure() << "lone backslash at " << i;
        ++i;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult allFieldsSafe(const PageFields& f) {
    for (const std::string* field : {&f.title, &f.keywords, &f.description, &f.linkDescription, &f.text}) {
        auto result = scriptStringSafe(*field);
        if (!result)
            return result << " in \"" << *field << "\"";
    }
    return ::testing::AssertionSuccess();
}

// Evaluates each field as a double-quoted script string with node and returns the strings read back.
std::vector<std::string> readBackWithNode(const std::vector<std::string>& fields) {
    TempDir dir;
    std::string script = "const out = [];\n";
    for (const std::string& field : fields)
        script += "out.push(\"" + field + "\");\n";
    script += "process.stdout.write(out.join(\"\\n\"));\n";
    const std::string js = dir.write("read.js", script);
    const std::string out = dir.str("out.txt");
    const std::string err = dir.str("err.txt");
    const int status = std::system(("/usr/bin/node '" + js + "' > '" + out + "' 2> '" + err + "'").c_str());
    EXPECT_EQ(status, 0) << testsupport::readFile(err);
    std::vector<std::string> lines;
    std::string text = testsupport::readFile(out);
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace

// The worked examples of the extraction rules.
TEST(PageExtractorHtml, TitleAndTextWithBlankRunsAndNbsp) {
    const PageFields f =
        html("<html><head><title>My  Page</title></head><body>Hello &nbsp;world</body></html>");
    EXPECT_EQ(f.title, "My Page");
    EXPECT_EQ(f.text, "Hello world");
    EXPECT_EQ(f.keywords, "");
    EXPECT_EQ(f.description, "");
    EXPECT_EQ(f.linkDescription, "");
}

TEST(PageExtractorHtml, OnlyTheFirstTitleIsTaken) {
    const PageFields f = html("<title>A</title><title>B</title>");
    EXPECT_EQ(f.title, "A");
    EXPECT_EQ(f.text, "B");
}

TEST(PageExtractorHtml, MissingTitleGivesNoTitle) {
    EXPECT_EQ(html("<html><body>words</body></html>").title, "NO TITLE");
    EXPECT_EQ(html("").title, "NO TITLE");
    EXPECT_EQ(html("<title></title>x").title, "NO TITLE");
    // A title start tag that never ends takes nothing.
    EXPECT_EQ(html("<title x").title, "NO TITLE");
}

TEST(PageExtractorHtml, TagNamesIgnoreCaseAndLeadingBlanks) {
    EXPECT_EQ(html("<TITLE>x</TITLE>y").title, "x");
    EXPECT_EQ(html("<TITLE>x</TITLE>y").text, "y");
    EXPECT_EQ(html("< \r\n title>T</title>").title, "T");
    // "</ title>" is not a closing tag: the title runs on, tag characters and all.
    const PageFields f = html("<title>x</ title>y");
    EXPECT_EQ(f.title, "x</ title>y");
    EXPECT_EQ(f.text, "");
}

TEST(PageExtractorHtml, ScriptAndStyleBlocksAreDropped) {
    EXPECT_EQ(html("<script>if (a<b) c();</script>Text").text, "Text");
    EXPECT_EQ(html("<SCRIPT type=\"x\">a > b</Script >Text").text, "Text");
    EXPECT_EQ(html("<style>p > a { color: red }</style>After").text, "After");
    EXPECT_EQ(html(">one<style>x</STYLE>two").text, "onetwo");
    EXPECT_EQ(html(">a<script>b").text, "a"); // unclosed: the rest of the page is script
}

TEST(PageExtractorHtml, TagChecksRunInEveryState) {
    // A title start tag inside a script, while no title was seen, starts the title.
    // It leaves the script behind: after the title's end tag the rest of the script is page text.
    const PageFields f = html("<script>w(\"<title>X</title>\");</script>Y");
    EXPECT_EQ(f.title, "X");
    EXPECT_EQ(f.text, ");Y");
    // A script start tag inside the title ends it; the "<" was already taken into the title.
    const PageFields g = html("<title>A<script>x</script>B");
    EXPECT_EQ(g.title, "A<");
    EXPECT_EQ(g.text, "B");
    // Other tags inside the title are title text.
    EXPECT_EQ(html("<title>a<b>c</b></title>").title, "a<b>c</b>");
}

TEST(PageExtractorHtml, UnclosedTitleTakesTheRestOfThePage) {
    const PageFields f = html("<title>rest of page<p>more");
    EXPECT_EQ(f.title, "rest of page<p>more");
    EXPECT_EQ(f.text, "");
}

TEST(PageExtractorHtml, TextBeforeTheFirstTagEndIsIgnored) {
    const PageFields f = html("plain words");
    EXPECT_EQ(f.text, "");
    EXPECT_EQ(f.title, "NO TITLE");
    EXPECT_EQ(html("skipped>kept").text, "kept");
}

TEST(PageExtractorHtml, EntitiesOtherThanNbspAndQuotStay) {
    EXPECT_EQ(html(">a &amp; b &lt;c&gt;").text, "a &amp; b &lt;c&gt;");
    EXPECT_EQ(html(">a&NBSP;b").text, "a&NBSP;b"); // case-sensitive
    EXPECT_EQ(html(">a&nbsp;").text, "a");         // fits exactly at the end
    EXPECT_EQ(html(">a&nbsp").text, "a&nbsp");     // incomplete
    EXPECT_EQ(html(">x&nbsp;&nbsp;y").text, "xy");
}

TEST(PageExtractorHtml, TitleKeepsItsEndsButTextIsTrimmed) {
    const PageFields f = html("<title> A </title>  \t one  \t\ttwo  ");
    EXPECT_EQ(f.title, " A ");
    EXPECT_EQ(f.text, "one\ttwo");
}

TEST(PageExtractorHtml, BlankRunsShrinkToTheirLastCharacter) {
    EXPECT_EQ(html("> a \tb").text, "a\tb");
    EXPECT_EQ(html("> a\t b").text, "a b");
    EXPECT_EQ(html("<title>a \t b\t</title>").title, "a b\t");
    // Blanks on both sides of a tag or an entity come together in the text and shrink there.
    EXPECT_EQ(html(">a <b> c").text, "a c");
    EXPECT_EQ(html(">a <b>\tc").text, "a\tc");
    EXPECT_EQ(html(">a\t<b><i> <br>\r\nc").text, "a c");
    EXPECT_EQ(html(">a\t&nbsp; <!-- x --> &nbsp;\tc").text, "a\tc");
    EXPECT_EQ(html(">a <script>x</script>\t<style>y</style> <meta name=a content=\"b\">c>d").text, "a d");
}

TEST(PageExtractorHtml, TextAfterMetaTagUpToNextTagEndIsSkipped) {
    EXPECT_EQ(html("<meta name=\"a\" content=\"b\">Hi<br>there").text, "there");
}

TEST(PageExtractorHtml, OtherKindsYieldOnlyNoTitle) {
    for (const int kind : {FileKinds::NotIndexed, -1, 7}) {
        const PageFields f = ExtractPageText("<title>T</title><meta name=keywords content=\"k\">x", kind, 1);
        EXPECT_EQ(f.title, "NO TITLE");
        EXPECT_EQ(f.text, "");
        EXPECT_EQ(f.keywords, "");
    }
}

TEST(PageExtractorMeta, KnownNamesFillTheirFields) {
    EXPECT_EQ(html("<meta name=\"Keywords\" content=\"a,  b\">").keywords, "a, b");
    EXPECT_EQ(html("<meta content=\"d\" name=\"description\">").description, "d");
    EXPECT_EQ(html("<META NAME=LinkDescription CONTENT=\"Go here\">").linkDescription, "Go here");
    EXPECT_EQ(html("<meta name='keywords' content='a'>").keywords, "");
    EXPECT_EQ(html("<meta name=\"keywords\" content='a'>").keywords, "");
    const PageFields f = html("<meta name=\"author\" content=\"x\"><meta http-equiv=\"y\" content=\"z\">");
    EXPECT_EQ(f.keywords + f.description + f.linkDescription, "");
}

TEST(PageExtractorMeta, LaterTagOverwritesAndUnusableValueEmpties) {
    EXPECT_EQ(html("<meta name=keywords content=\"a\"><meta name=keywords content=\"b\">").keywords, "b");
    EXPECT_EQ(html("<meta name=keywords content=\"a\"><meta name=keywords content='b'>").keywords, "");
}

TEST(PageExtractorMeta, EmptyValueRunsToTheNextQuoteAndIsEscaped) {
    const PageFields f = html("<meta name=\"keywords\" content=\"\" lang=\"en\">");
    EXPECT_EQ(f.keywords, "\\\" lang=");
    std::string name, value;
    EXPECT_TRUE(ParseMetaTag(" name=\"keywords\" content=\"\" lang=\"en\"", name, value));
    EXPECT_EQ(value, "\" lang=");
}

TEST(PageExtractorMeta, MetaTagWithoutEndTakesTheRestAndEndsTheScan) {
    const PageFields f = html(">a<meta name=\"keywords\" content=\"k\" and more text");
    EXPECT_EQ(f.keywords, "k");
    EXPECT_EQ(f.text, "a");
    EXPECT_EQ(html(">a<meta").text, "a");
    EXPECT_EQ(html(">a<meta ").text, "a");
}

TEST(PageExtractorQuotes, IndexColonDecidesTheFateOfDoubleQuotes) {
    EXPECT_EQ(html(">say \"hi\"", 0).text, "say hi");
    EXPECT_EQ(html(">say \"hi\"", 1).text, "say \\\"hi\\\"");
    EXPECT_EQ(html(">say \"hi\"", 2).text, "say hi");
    EXPECT_EQ(html("<title>\"T\"</title>", 1).title, "\\\"T\\\"");
    EXPECT_EQ(html("<title>\"T\"</title>", 0).title, "T");
}

TEST(PageExtractorQuotes, QuotEntityActsLikeADoubleQuote) {
    EXPECT_EQ(html(">say &quot;hi&quot;", 0).text, "say hi");
    EXPECT_EQ(html(">say &quot;hi&quot;", 1).text, "say \\\"hi\\\"");
    EXPECT_EQ(html("<title>&quot;T&quot;</title>", 1).title, "\\\"T\\\"");
}

TEST(PageExtractorQuotes, TextKindHandlesQuotesTheSameWay) {
    EXPECT_EQ(plain("say \"hi\"", 0).text, "say hi");
    EXPECT_EQ(plain("say \"hi\"", 1).text, "say \\\"hi\\\"");
    EXPECT_EQ(plain("&quot;", 1).text, "&quot;"); // no entities in text files
}

TEST(PageExtractorTextKind, EverythingButBlanksIsKept) {
    const PageFields f = plain("  a <b> & c&nbsp;d  ");
    EXPECT_EQ(f.text, " a <b> & c&nbsp;d ");
    EXPECT_EQ(f.title, "NO TITLE");
    EXPECT_EQ(f.keywords + f.description + f.linkDescription, "");
    EXPECT_EQ(plain("<title>T</title>").title, "NO TITLE");
}

TEST(PageExtractorLineBreaks, LineBreaksSeparateWords) {
    EXPECT_EQ(plain("end\nstart").text, "end start");
    EXPECT_EQ(plain("end\r\nstart").text, "end start");
    EXPECT_EQ(plain("end\rstart").text, "end start");
    EXPECT_EQ(plain("end \n start").text, "end start");
    EXPECT_EQ(plain("end\n\tstart").text, "end\tstart"); // a run ending in a tab keeps the tab
    EXPECT_EQ(plain("line\n").text, "line ");            // text files are not trimmed
    EXPECT_EQ(html(">a\ndocument").text, "a document");
    EXPECT_EQ(html(">a\r\n\r\ndocument\r\n").text, "a document");
    EXPECT_EQ(html("<title>My\r\nPage</title>").title, "My Page");
    EXPECT_EQ(html("<meta name=keywords content=\"a\r\nb\">").keywords, "a b");
}

TEST(PageExtractorEscaping, BackslashesAreDoubledInTitleAndText) {
    EXPECT_EQ(html("<title>C:\\dir</title>end\\").title, "C:\\\\dir");
    EXPECT_EQ(html("<title>C:\\dir</title>end\\").text, "end\\\\");
    EXPECT_EQ(plain("a\\u\\x").text, "a\\\\u\\\\x");
    EXPECT_EQ(html(">\\\"", 1).text, "\\\\\\\"");
}

TEST(PageExtractorEscaping, MetaValuesKeepEscapedQuotesAndDoubleOtherBackslashes) {
    EXPECT_EQ(html("<meta name=keywords content=\"a\\\"b\">").keywords, "a\\\"b");
    EXPECT_EQ(html("<meta name=keywords content=\"C:\\dir \">").keywords, "C:\\\\dir");
    // The quote after "\\" is taken as escaped, so the value runs on to the next quote.
    EXPECT_EQ(html("<meta name=keywords content=\"a\\\\\" b\">").keywords, "a\\\\\\\" b");
    // A value whose only closing quote follows a backslash is never closed.
    EXPECT_EQ(html("<meta name=keywords content=\"C:\\x\\\\\">").keywords, "");
}

TEST(PageExtractorEscaping, FieldsReadBackAsThePageTextInAScript) {
    if (!std::filesystem::exists("/usr/bin/node"))
        GTEST_SKIP() << "node is not installed at /usr/bin/node";
    const std::string page = "<title>C:\\new\\x41 \\u00e9 caf\xc3\xa9</title>"
                             "<meta name=\"description\" content=\"dir C:\\x\\ and \\\"q\\\" \\u\">"
                             "<meta name=\"keywords\" content=\"\" lang=\"en\">"
                             "<meta name=\"linkdescription\" content=\"end \\ \">"
                             "<body>path C:\\temp\\ and \\x and \\u12 and \"q\" &quot;e&quot; \\";
    const PageFields f = html(page, 1);
    const std::vector<std::string> back =
        readBackWithNode({f.title, f.text, f.description, f.keywords, f.linkDescription});
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[0], "C:\\new\\x41 \\u00e9 caf\xc3\xa9");
    EXPECT_EQ(back[1], "path C:\\temp\\ and \\x and \\u12 and \"q\" \"e\" \\");
    EXPECT_EQ(back[2], "dir C:\\x\\ and \"q\" \\u");
    EXPECT_EQ(back[3], "\" lang=");
    EXPECT_EQ(back[4], "end \\");

    const PageFields t = plain("text \\x \"q\"\r\nends in \\", 1);
    const std::vector<std::string> textBack = readBackWithNode({t.text});
    ASSERT_EQ(textBack.size(), 1u);
    EXPECT_EQ(textBack[0], "text \\x \"q\" ends in \\");
}

TEST(PageExtractorBadInput, NulBytesAndInvalidUtf8AreJustBytes) {
    const char raw[] = "<title>a\0b\xff</title>x\0y \xc3 \xfe\xfe";
    const std::string page(raw, sizeof raw - 1);
    const PageFields f = html(page);
    EXPECT_EQ(f.title, std::string("a\0b\xff", 4));
    EXPECT_EQ(f.text, std::string("x\0y \xc3 \xfe\xfe", 8));
    const PageFields t = plain(std::string("\0\0\x80", 3));
    EXPECT_EQ(t.text, std::string("\0\0\x80", 3));
}

TEST(PageExtractorBadInput, VeryLongLinesAreScannedWhole) {
    const std::string words(8 << 20, 'w');
    const PageFields f = html("<title>" + words + "</title><p>" + words + " " + words);
    EXPECT_EQ(f.title.size(), words.size());
    EXPECT_EQ(f.text, words + " " + words);
    const std::string script = "<script>" + std::string(4 << 20, '<') + "</script>after";
    EXPECT_EQ(html(script).text, "after");
}

// Megabytes of tags that close only at the very end. A scan that looked for the tag's end again from
// every "<" would run for many minutes on each of these (the test's time-out catches it); the longer the
// opener, the fewer "<" and the more megabytes that takes.
namespace {
std::string openTags(std::string_view opener, size_t megabytes) {
    std::string tags(opener);
    while (tags.size() < (megabytes << 20))
        tags += tags;
    return ">before " + tags + ">after";
}
} // namespace

TEST(PageExtractorBadInput, ManyUnclosedLessThanSignsAreOneTag) {
    EXPECT_EQ(html(openTags("<", 6)).text, "before after");
}

TEST(PageExtractorBadInput, ManyUnclosedCommentsAreOneTag) {
    EXPECT_EQ(html(openTags("<!--", 16)).text, "before after");
}

TEST(PageExtractorBadInput, ManyUnclosedQuotedValuesAreOneTag) {
    EXPECT_EQ(html(openTags("<a href=\"", 24)).text, "before after");
}

TEST(PageExtractorStop, AStopCutsOnlyPagesLargerThanAChunk) {
    std::string words = ">" + std::string(61, 'w') + "  "; // a blank run ends each step of the scan
    while (words.size() < PageStop::kChunkBytes)
        words += words;
    const std::string chunk = words.substr(0, PageStop::kChunkBytes);
    const std::string large = words + words;
    const std::atomic<int> set{1};
    const std::atomic<int> clear{0};
    // Only the blanks of each run shrink, so a page extracted whole keeps more than 9 bytes in 10.
    const auto keptShare = [](const PageFields& fields, const std::string& page) {
        return static_cast<double>(fields.text.size()) / static_cast<double>(page.size());
    };
    for (const int kind : {FileKinds::Html, FileKinds::Text}) {
        PageStop whole(set);
        EXPECT_GT(keptShare(ExtractPageText(chunk, kind, 0, &whole), chunk), 0.9);
        EXPECT_FALSE(whole.stopped());
        PageStop cut(set);
        EXPECT_LT(keptShare(ExtractPageText(large, kind, 0, &cut), large), 0.6);
        EXPECT_TRUE(cut.stopped());
        PageStop running(clear);
        EXPECT_GT(keptShare(ExtractPageText(large, kind, 0, &running), large), 0.9);
        EXPECT_FALSE(running.stopped());
    }
}

TEST(PageExtractorBadInput, EveryTruncationOfAPageIsSafe) {
    const std::string page =
        "<html><head>< title >T \\ \"x\" &quot;</title><meta name=\"keywords\" content=\"\" a=\"\\\">"
        "<meta name=description content=\"d\\\"\"><style>a{}</style><script>if(a<b)</script></head>\r\n"
        "<body>a&nbsp;b &amp; \\u \"q\"\t\t<br/>end\\</body><t<ti<tit<title<meta<scri<sty<";
    for (size_t length = 0; length <= page.size(); ++length) {
        const std::string_view prefix(page.data(), length);
        for (const int colon : {0, 1}) {
            EXPECT_TRUE(allFieldsSafe(html(prefix, colon))) << "prefix length " << length;
            EXPECT_TRUE(allFieldsSafe(plain(prefix, colon))) << "prefix length " << length;
        }
    }
    EXPECT_EQ(html(">a<").text, "a");
    EXPECT_EQ(html(">a<t").text, "a");
    EXPECT_EQ(html(">a< ").text, "a");
    EXPECT_EQ(html("<title>a<").title, "a");
}

TEST(PageExtractorBadInput, RandomMarkupAlwaysGivesSafeFields) {
    const std::vector<std::string> pieces = {"<",
                                             ">",
                                             "</",
                                             "title",
                                             "/title",
                                             "script",
                                             "/script",
                                             "style",
                                             "meta",
                                             " name=",
                                             "keywords",
                                             "description",
                                             " content=",
                                             "\"",
                                             "\\",
                                             "&nbsp;",
                                             "&quot;",
                                             "&",
                                             " ",
                                             "\t",
                                             "\r",
                                             "\n",
                                             "x",
                                             "\xff",
                                             std::string(1, '\0'),
                                             "linkdescription",
                                             "=",
                                             "'"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const int count = 1 + round % 40;
        for (int k = 0; k < count; ++k)
            page += pieces[pick(random)];
        for (const int colon : {0, 1}) {
            const PageFields f = html(page, colon);
            ASSERT_TRUE(allFieldsSafe(f)) << "page: " << page;
            ASSERT_EQ(CollapseWhitespace(f.text), f.text) << "page: " << page;
            ASSERT_TRUE(allFieldsSafe(plain(page, colon))) << "page: " << page;
        }
    }
}

TEST(ParseMetaTag, ReadsLowerCaseNameAndUnchangedValue) {
    std::string name, value;
    EXPECT_TRUE(ParseMetaTag(" NAME=\"KeyWords\" Content=\"AbC  dE\"", name, value));
    EXPECT_EQ(name, "keywords");
    EXPECT_EQ(value, "AbC dE");
    EXPECT_TRUE(ParseMetaTag(" name = description\tcontent =\n \"d\"", name, value));
    EXPECT_EQ(name, "description");
    EXPECT_EQ(value, "d");
}

TEST(ParseMetaTag, SkipsOccurrencesThatAreNotAssignments) {
    std::string name, value;
    EXPECT_TRUE(ParseMetaTag(" data-name content=x content=\"y\" name=\"a\"", name, value));
    EXPECT_EQ(name, "a");
    EXPECT_EQ(value, "y");
}

TEST(ParseMetaTag, ReportsWhatWasFound) {
    std::string name = "old", value = "old";
    EXPECT_FALSE(ParseMetaTag(" http-equiv=\"refresh\" content=\"5\"", name, value));
    EXPECT_EQ(name, "");
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ParseMetaTag(" name=\"keywords\"", name, value));
    EXPECT_EQ(name, "keywords");
    EXPECT_FALSE(ParseMetaTag(" name=keywords content='k'", name, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ParseMetaTag("", name, value));
    EXPECT_FALSE(ParseMetaTag(" name=", name, value));
    EXPECT_EQ(name, "");
}

TEST(ParseMetaTag, UnclosedQuotesLeaveEmptyParts) {
    std::string name, value;
    EXPECT_TRUE(ParseMetaTag(" name=\"keywords content=\"v\"", name, value));
    EXPECT_EQ(name, "keywords content=");
    EXPECT_TRUE(ParseMetaTag(" name=k content=\"no end", name, value));
    EXPECT_EQ(name, "k");
    EXPECT_EQ(value, "");
    EXPECT_TRUE(ParseMetaTag(" name=k content=\"", name, value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(ParseMetaTag(" name=k content=\"a\\\"b\\\"\"", name, value));
    EXPECT_EQ(value, "a\\\"b\\\"");
}

TEST(CollapseWhitespace, TrimsAndShrinksRuns) {
    EXPECT_EQ(CollapseWhitespace("  a \t\n b  \r\n"), "a b");
    EXPECT_EQ(CollapseWhitespace("a\nb"), "a b");
    EXPECT_EQ(CollapseWhitespace("a\r\nb"), "a b");
    EXPECT_EQ(CollapseWhitespace("a \tb"), "a\tb");
    EXPECT_EQ(CollapseWhitespace("\v\fa\f"), "a");
    EXPECT_EQ(CollapseWhitespace("a\v b"), "a\v b"); // only space, tab, CR and LF form runs
    EXPECT_EQ(CollapseWhitespace(""), "");
    EXPECT_EQ(CollapseWhitespace(" \r\n\t "), "");
    EXPECT_EQ(CollapseWhitespace(std::string("a\0 \0b", 5)), std::string("a\0 \0b", 5));
}
