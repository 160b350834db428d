#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "index/PageExtractor.h"
#include "index/PageFile.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

std::string readPage(std::string_view bytes, int indexStrategy = 0) {
    TempDir dir;
    const std::string path = dir.write("page.htm", bytes);
    std::string content = "stale";
    EXPECT_TRUE(ReadPageFile(path, content, indexStrategy));
    return content;
}

} // namespace

TEST(ReadPageFile, JoinsLinesWithOneLineFeed) {
    EXPECT_EQ(readPage("a\r\nb\nc\rd"), "a\nb\nc\nd");
    EXPECT_EQ(readPage("a\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(readPage("a\r\r\nb"), "a\n\nb"); // a lone CR, then CR LF
    EXPECT_EQ(readPage("a\n\r"), "a\n");       // LF, then a lone CR ending an empty line
}

TEST(ReadPageFile, FinalLineEndAddsNothing) {
    EXPECT_EQ(readPage("last"), "last");
    EXPECT_EQ(readPage("last\r\n"), "last");
    EXPECT_EQ(readPage("last\n\n"), "last\n");
    EXPECT_EQ(readPage("\r\n"), "");
    EXPECT_EQ(readPage(""), "");
}

TEST(ReadPageFile, LineEndsSeparateWordsOfATextFile) {
    const PageFields f = ExtractPageText(readPage("end\r\nstart\r\n"), FileKinds::Text, 0);
    EXPECT_EQ(f.text, "end start");
    EXPECT_EQ(ExtractPageText(readPage("<title>My\r\nPage</title>"), FileKinds::Html, 0).title, "My Page");
}

TEST(ReadPageFile, IndexStrategyStopsAtTheBodyTag) {
    const std::string page =
        "<html>\r\n<head><title>T</title></head>\r\nxx <BODY bgcolor=white>\r\nbody text\r\n";
    EXPECT_EQ(readPage(page, 1), "<html>\n<head><title>T</title></head>\nxx ");
    EXPECT_EQ(readPage(page, 2), "<html>\n<head><title>T</title></head>\nxx ");
    EXPECT_EQ(readPage(page, 0), "<html>\n<head><title>T</title></head>\nxx <BODY bgcolor=white>\nbody text");
}

TEST(ReadPageFile, BodyTagRecognition) {
    EXPECT_EQ(readPage("a\n<body>", 1), "a\n");
    EXPECT_EQ(readPage("<body>a", 1), "");
    EXPECT_EQ(readPage("x< \t Body>a", 1), "x");
    EXPECT_EQ(readPage("x<bodyguard>a", 1), "x"); // any name starting with the four letters
    EXPECT_EQ(readPage("a<b>c<body>d", 1), "a<b>c");
    // Not a body start tag: an end tag, a shorter name, a tag split across lines.
    EXPECT_EQ(readPage("a</body>b", 1), "a</body>b");
    EXPECT_EQ(readPage("a<bod", 1), "a<bod");
    EXPECT_EQ(readPage("a<\nbody>b", 1), "a<\nbody>b");
}

TEST(ReadPageFile, MissingFileOrFolderCannotBeOpened) {
    TempDir dir;
    std::string content = "stale";
    EXPECT_FALSE(ReadPageFile(dir.str("missing.htm"), content, 0));
    EXPECT_EQ(content, "");
    content = "stale";
    EXPECT_FALSE(ReadPageFile(dir.str(), content, 1));
    EXPECT_EQ(content, "");
    // A device never ends: it is not read at all.
    EXPECT_FALSE(ReadPageFile("/dev/zero", content, 0));
}

TEST(ReadPageFile, AStopCutsOnlyFilesLargerThanAChunk) {
    TempDir dir;
    const std::string chunk = dir.write("chunk.htm", std::string(PageStop::kChunkBytes, 'c'));
    const std::string large = dir.write("large.htm", std::string(3 * PageStop::kChunkBytes, 'l'));
    const std::atomic<int> set{1};
    std::string content;
    PageStop whole(set);
    EXPECT_TRUE(ReadPageFile(chunk, content, 0, &whole));
    EXPECT_EQ(content.size(), PageStop::kChunkBytes);
    EXPECT_FALSE(whole.stopped());
    PageStop cut(set);
    EXPECT_FALSE(ReadPageFile(large, content, 0, &cut));
    EXPECT_TRUE(cut.stopped());
}

// Of a UTF-8 page; pages in other character sets are converted (TestPageCharset).
TEST(ReadPageFile, BytesPassUnchanged) {
    const char raw[] = "a\0b\xc3\xbf\r\n\xc3\xa9\0";
    EXPECT_EQ(readPage(std::string_view(raw, sizeof raw - 1)), std::string("a\0b\xc3\xbf\n\xc3\xa9\0", 9));
}

TEST(ReadPageFile, VeryLongLinesAndManyLines) {
    const std::string longLine(12 << 20, 'x');
    std::string file = longLine + "\r\n";
    std::string expected = longLine;
    for (int i = 0; i < 100000; ++i) {
        file += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
        expected += "\nline " + std::to_string(i);
    }
    file += longLine;
    expected += "\n" + longLine;
    // Compared whole without printing megabytes on a failure.
    const std::string content = readPage(file);
    EXPECT_EQ(content.size(), expected.size());
    EXPECT_TRUE(content == expected);
    EXPECT_TRUE(readPage(file + "<body>", 1) == expected);
}
