#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "crawler/LinkExtractor.h"

namespace {

using Links = std::vector<std::string>;

struct Case {
    std::string page;
    Links links;
    bool result;
};

void expectLinks(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        Links links;
        EXPECT_EQ(ExtractLinks(c.page, "href", links), c.result) << c.page;
        EXPECT_EQ(links, c.links) << c.page;
    }
}

} // namespace

TEST(LinkExtractor, LinkKindsAndTheirValues) {
    expectLinks({
        {R"(<a href="b.html">B</a>)", {"b.html"}, true},
        {R"(<A HREF='c.html'>C</A>)", {"c.html"}, true},
        {R"(<link rel="stylesheet" href="s.css">)", {"s.css"}, true},
        {R"(<a href="mailto:someone">)", {}, false},
        {R"(<a href="MailTo:someone" frame src="f.html">)", {"f.html"}, true},
        {R"(<a href=page.html>)", {""}, true},
        {R"(<a href=page.html title="Top">)", {"Top"}, true},
        {R"(<option value="http://h/x.html">)", {"http://h/x.html"}, true},
        {R"(<option value="x.html">)", {}, false},
        {R"(<frame src="f.html"><iframe src="g.html">)", {"f.html", "g.html"}, true},
        {R"(<meta http-equiv="refresh" content="5; URL=next.html">)", {"next.html"}, true},
        {R"(<meta http-equiv="refresh" content="5">)", {}, false},
        {R"(<meta http-equiv="refresh" content="5; url=">)", {}, false},
        {R"(<meta http-equiv="Refresh" content="0;url=a.html?x=1">)", {"a.html?x=1"}, true},
    });
}

TEST(LinkExtractor, NoindexAnywhereStopsThePage) {
    expectLinks({
        {R"(<a href="a.html"><meta name="robots" content="NOINDEX"><a href="b.html">)", {"a.html"}, false},
        {R"(<a href="noindex.html">)", {}, false},
        {R"(<a href="x.html">noindex in text only)", {"x.html"}, true},
    });
}

TEST(LinkExtractor, NofollowDropsItsLinkOrTheWholePage) {
    expectLinks({
        {R"(<a href="a.html" rel="nofollow"><a href="b.html">)", {"b.html"}, true},
        {R"(<meta name="robots" content="index, NoFollow"><a href="b.html">)", {}, false},
    });
}

TEST(LinkExtractor, TagBoundaries) {
    expectLinks({
        {"", {}, false},
        {"no tags here", {}, false},
        {R"(<a href="x.html")", {}, false},
        {R"(<a href="x.html"> <a href="y.html")", {"x.html"}, true},
        {R"(<a <b href="x.html">)", {"x.html"}, true},
        {R"(>>> <a href="x.html">)", {"x.html"}, true},
        {R"(<a href="x>y.html">)", {}, false},
        {R"(<a href="unclosed>)", {}, false},
        {R"(<a href='say "hi"'>)", {R"(say "hi")"}, true},
    });
}

TEST(LinkExtractor, ValuesAreReturnedAsWrittenWhateverTheyHold) {
    expectLinks({
        {R"(<a href="with space.html">)", {"with space.html"}, true},
        {R"(<a href="a\"b.html">)", {"a\\"}, true},
        {std::string("<a href=\"x\0y.html\">", 19), {std::string("x\0y.html", 8)}, true},
        {"<a href=\"\xC3\xBCn\xC3\xAF.html\">", {"\xC3\xBCn\xC3\xAF.html"}, true},
        {"<a href=\"\xFF\xFE\">", {"\xFF\xFE"}, true},
        {"<a\nhref\n=\n\"multi\nline.html\"\n>", {"multi\nline.html"}, true},
        {R"(<a href="">)", {""}, true},
    });
}

TEST(LinkExtractor, GetAttributeValueMatchesThePlainName) {
    struct ValueCase {
        std::string tag;
        std::string name;
        std::optional<std::string> value;
    };
    const std::vector<ValueCase> cases = {
        {R"(<img SRC="a.png">)", "src", "a.png"},
        {R"(<img src="a.png">)", "SRC", "a.png"},
        {"<a href=x>", "href", ""},
        {"<a hre", "href", std::nullopt},
        {R"(<a title="hrefs" x="y">)", "href", " x="},
        {R"(<a data-href="d.html">)", "href", "d.html"},
        {R"(<a href="open)", "href", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<std::string_view> v = GetAttributeValue(c.tag, c.name);
        EXPECT_EQ(v ? std::optional<std::string>(*v) : std::nullopt, c.value) << c.tag << " / " << c.name;
    }
}

TEST(LinkExtractor, LargePagesKeepEveryLinkInOrder) {
    std::string page;
    for (int i = 0; i < 5000; ++i)
        page += "<p>text</p><a href=\"p" + std::to_string(i) + ".html\">link</a>\n";
    Links links;
    ASSERT_TRUE(ExtractLinks(page, "href", links));
    ASSERT_EQ(links.size(), 5000u);
    EXPECT_EQ(links.front(), "p0.html");
    EXPECT_EQ(links.back(), "p4999.html");

    // 50 MB in one tag that never closes its quote, then in many "<" that never close their tag: a scan
    // that went back over the text per tag or per "<" would not finish.
    const size_t size = 50u << 20;
    std::string oneTag = "<a href=\"" + std::string(size, 'x') + ">";
    links.clear();
    EXPECT_FALSE(ExtractLinks(oneTag, "href", links));
    std::string openers(size, '<');
    openers += R"(href="last.html">)";
    links.clear();
    EXPECT_TRUE(ExtractLinks(openers, "href", links));
    EXPECT_EQ(links, Links{"last.html"});
}
