#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crawler/UrlHistory.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

bool operator==(const UrlHistory& a, const UrlHistory& b) {
    return a.reserved == b.reserved && a.selection == b.selection && a.checkRootLinks == b.checkRootLinks &&
           a.entries == b.entries;
}

UrlHistory sample() {
    UrlHistory h;
    h.reserved = 0x12345678;
    h.selection = 1;
    h.checkRootLinks = 1;
    h.entries = {"http://a.test/", "", "http://b.test/dir/"};
    return h;
}

} // namespace

TEST(UrlHistory, BytesAreLittleEndianNewestFirst) {
    UrlHistory h;
    h.reserved = 1;
    h.selection = -1;
    h.entries = {"ab", "c"};
    const std::string expected("\x01\0\0\0"
                               "\xFF\xFF\xFF\xFF"
                               "\0\0\0\0"
                               "\x02\0"
                               "\x02"
                               "ab"
                               "\x01"
                               "c",
                               19);
    EXPECT_EQ(EncodeUrlHistory(h), expected);
    const auto back = DecodeUrlHistory(expected);
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == h);
}

TEST(UrlHistory, LengthPrefixesAtTheirBoundaries) {
    struct Case {
        size_t length;
        size_t prefix;
    };
    for (const Case c : {Case{0, 1}, Case{254, 1}, Case{255, 3}, Case{65533, 3}, Case{65534, 7},
                         Case{65535, 7}, Case{70000, 7}}) {
        UrlHistory h;
        h.entries = {std::string(c.length, 'u')};
        const std::string bytes = EncodeUrlHistory(h);
        EXPECT_EQ(bytes.size(), 14 + c.prefix + c.length) << c.length;
        const auto back = DecodeUrlHistory(bytes);
        ASSERT_TRUE(back) << c.length;
        EXPECT_TRUE(*back == h) << c.length;
    }
}

TEST(UrlHistory, EntryCountAtItsBoundary) {
    for (const size_t count : {size_t{65534}, size_t{65535}}) {
        UrlHistory h;
        h.entries.assign(count, "x");
        h.selection = static_cast<int>(count - 1);
        const std::string bytes = EncodeUrlHistory(h);
        const size_t countSize = count < 65535 ? 2 : 6;
        EXPECT_EQ(bytes.size(), 12 + countSize + 2 * count);
        EXPECT_EQ(bytes.substr(12, 2), count < 65535 ? std::string("\xFE\xFF") : std::string("\xFF\xFF"));
        const auto back = DecodeUrlHistory(bytes);
        ASSERT_TRUE(back) << count;
        EXPECT_TRUE(*back == h) << count;
    }
}

TEST(UrlHistory, DamagedOrTruncatedBytesGiveNothing) {
    const std::string good = EncodeUrlHistory(sample());
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(DecodeUrlHistory(good.substr(0, n))) << "cut to " << n;

    const std::string header("\0\0\0\0\xFF\xFF\xFF\xFF\0\0\0\0", 12);
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"count larger than the file", header + std::string("\xFF\xFF\xFF\xFF\xFF\xFF", 6)},
        {"4-byte entry length beyond the end",
         header + std::string("\x01\0\xFF\xFF\xFF\xFF\xFF\xFF\xFFx", 10)},
        {"2-byte entry length beyond the end", header + std::string("\x01\0\xFF\x00\x01x", 6)},
        {"wide-string marker", header + std::string("\x01\0\xFF\xFE\xFF", 5) + std::string(0xFFFE, 'x')},
        {"byte after the last entry", good + "z"},
    };
    for (const auto& [what, bytes] : damaged)
        EXPECT_FALSE(DecodeUrlHistory(bytes)) << what;
}

TEST(UrlHistory, SelectionOutsideTheEntriesReadsAsNone) {
    for (const int selection : {-1, -2, 3, 0x7FFFFFFF}) {
        UrlHistory h = sample();
        h.selection = selection;
        const auto back = DecodeUrlHistory(EncodeUrlHistory(h));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->selection, -1) << selection;
    }
}

TEST(UrlHistory, FileSaveLoadAndFailures) {
    TempDir dir;
    const std::filesystem::path path = dir.path() / kUrlHistoryFileName;
    ASSERT_TRUE(SaveUrlHistory(path, sample()));
    UrlHistory loaded;
    ASSERT_TRUE(LoadUrlHistory(path, loaded));
    EXPECT_TRUE(loaded == sample());

    UrlHistory h = sample();
    EXPECT_FALSE(LoadUrlHistory(dir.path() / "missing.log", h));
    EXPECT_TRUE(h == UrlHistory());

    h = sample();
    const std::string damaged = dir.write("damaged.log", EncodeUrlHistory(sample()).substr(0, 20));
    EXPECT_FALSE(LoadUrlHistory(damaged, h));
    EXPECT_TRUE(h == UrlHistory());

    h = sample();
    const std::filesystem::path folder = dir.path() / "folder.log";
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(LoadUrlHistory(folder, h));
    EXPECT_TRUE(h == UrlHistory());

    EXPECT_FALSE(SaveUrlHistory(dir.path() / "no-such-folder" / "Urls.log", sample()));
    EXPECT_FALSE(SaveUrlHistory(folder, sample()));
}

TEST(UrlHistory, RememberAddressMovesItToTheTop) {
    struct Case {
        std::vector<std::string> before;
        std::string address;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        {{}, "x", {"x"}},
        {{"a", "b", "c"}, "b", {"b", "a", "c"}},
        {{"a", "b", "c"}, "c", {"c", "a", "b"}},
        {{"a", "b", "c"}, "a", {"a", "b", "c"}},
        {{"a", "b", "c"}, "d", {"d", "a", "b", "c"}},
        {{"a", "b", "c"}, "B", {"B", "a", "b", "c"}},
        {{"a", "b", "a"}, "a", {"a", "a", "b"}},
    };
    for (const auto& c : cases) {
        UrlHistory h;
        h.entries = c.before;
        RememberAddress(h, c.address);
        EXPECT_EQ(h.entries, c.after) << c.address;
        EXPECT_EQ(h.selection, 0);
    }
}
