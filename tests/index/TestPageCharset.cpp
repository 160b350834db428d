#include <gtest/gtest.h>

#include "index/PageCharset.h"
#include "index/PageFile.h"
#include "tests/support/TestSupport.h"

namespace {

std::string converted(std::string bytes, std::string_view contentType = {},
                      std::string_view fallback = "windows-1252") {
    PageToUtf8(bytes, contentType, fallback);
    return bytes;
}

// Each of the web's legacy sets, named where pages name it: the HTTP header, a <meta charset>, an
// http-equiv Content-Type.
TEST(PageCharset, PagesInLegacySetsBecomeUtf8) {
    EXPECT_EQ(converted("caf\xE9 \x93quoted\x94", "text/html; charset=ISO-8859-1"),
              "caf\u00E9 \u201Cquoted\u201D"); // read as windows-1252, as browsers do
    EXPECT_EQ(converted("<meta charset=\"iso-8859-2\">\xA3\xF3"
                        "d\xBC"),
              "<meta charset=\"iso-8859-2\">\u0141\u00F3d\u017A");
    EXPECT_EQ(converted("<meta http-equiv='Content-Type' content='text/html; charset=Shift_JIS'>"
                        "\x93\xFA\x96\x7B"),
              "<meta http-equiv='Content-Type' content='text/html; charset=Shift_JIS'>\u65E5\u672C");
    EXPECT_EQ(converted("\xD6\xD0\xCE\xC4", "text/html;charset=gb2312"), "\u4E2D\u6587");
    EXPECT_EQ(converted("\xC7\xD1\xB1\xB9", "text/html; charset=\"euc-kr\""), "\uD55C\uAD6D");
}

TEST(PageCharset, AByteOrderMarkOutranksALyingHeaderAndTheHeaderOutranksMeta) {
    const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("h\0i\0 \0\xE9\0", 8);
    EXPECT_EQ(converted(utf16, "text/html; charset=iso-8859-1"), "hi \u00E9");
    EXPECT_EQ(converted("<meta charset=utf-8>\xE9", "text/html; charset=windows-1252"),
              "<meta charset=utf-8>\u00E9");
    // An unknown name is passed over, to the next way of telling.
    EXPECT_EQ(converted("<meta charset=iso-8859-2>\xA3", "text/html; charset=no-such-set"),
              "<meta charset=iso-8859-2>\u0141");
}

TEST(PageCharset, Utf8PagesKeepTheirBytesAndOthersFallBack) {
    const std::string utf8 = "caf\u00E9 \xF0\x9F\x90\xA6";
    EXPECT_EQ(converted(utf8), utf8);
    // Declared UTF-8 with a broken sequence: still not touched.
    EXPECT_EQ(converted("ok \xC3", "text/html; charset=utf-8"), "ok \xC3");
    // Undeclared and not UTF-8: the profile's fallback.
    EXPECT_EQ(converted("\xA3\xF3", {}, "iso-8859-2"), "\u0141\u00F3");
    EXPECT_EQ(converted("caf\xE9"), "caf\u00E9");
}

TEST(PageCharset, AFolderPageInUtf16IsReadAsText) {
    testsupport::TempDir dir;
    std::string bytes("\xFF\xFE", 2);
    for (const char16_t unit : std::u16string(u"<title>T\u00E9</title>\r\nline two")) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    std::string content;
    ASSERT_TRUE(ReadPageFile(dir.write("page.htm", bytes), content, 0));
    EXPECT_EQ(content, "<title>T\u00E9</title>\nline two");
}

} // namespace
