#include <gtest/gtest.h>

#include "crawler/RobotsRules.h"

namespace {

TEST(RobotsRules, OurGroupsAreCombinedAndOutrankTheStarGroup) {
    const char* text = "# a comment\n"
                       "User-agent: *\n"
                       "Disallow: /\n"
                       "\n"
                       "User-agent: OtherBot\n"
                       "User-Agent: rar\n" // one group for both agents, the token matched without case
                       "Disallow: /private/\n"
                       "Sitemap: http://host/map.xml\n"
                       "user-agent: RAR\n"
                       "disallow: /tmp  # trailing comment\n";
    const RobotsRules rules = RobotsRules::parse(text, RobotsProductToken("RAR Avovuv"));
    EXPECT_TRUE(rules.allows("/index.html"));
    EXPECT_FALSE(rules.allows("/private/a.html"));
    EXPECT_FALSE(rules.allows("/tmp/x"));
    EXPECT_EQ(rules.sitemaps(), std::vector<std::string>{"http://host/map.xml"});

    const RobotsRules others = RobotsRules::parse(text, "Findlark");
    EXPECT_FALSE(others.allows("/index.html"));
    EXPECT_TRUE(others.allows("/robots.txt"));
}

TEST(RobotsRules, LongestMatchWinsWithWildcardsAndEndAnchors) {
    const RobotsRules rules = RobotsRules::parse("User-agent: *\n"
                                                 "Disallow: /docs/\n"
                                                 "Allow: /docs/public/\n"
                                                 "Disallow: /*.pdf$\n"
                                                 "Disallow: /*?session=\n"
                                                 "Allow: /same\n"
                                                 "Disallow: /same\n"
                                                 "Disallow: /a*b*c\n"
                                                 "Disallow: /%7euser/\n"
                                                 "Disallow:\n",
                                                 "RAR");
    EXPECT_FALSE(rules.allows("/docs/a.html"));
    EXPECT_TRUE(rules.allows("/docs/public/a.html"));
    EXPECT_TRUE(rules.allows("/docs/public/a.pdf")); // "/docs/public/" is longer than "/*.pdf$"
    EXPECT_FALSE(rules.allows("/x.pdf"));
    EXPECT_TRUE(rules.allows("/x.pdf.html")); // "$": only at the end
    EXPECT_FALSE(rules.allows("/page.php?session=9"));
    EXPECT_TRUE(rules.allows("/page.php?id=1&session=9"));
    EXPECT_TRUE(rules.allows("/same.html")); // a tie goes to Allow
    EXPECT_FALSE(rules.allows("/a-b-b-c"));
    EXPECT_TRUE(rules.allows("/a-c-b"));
    EXPECT_FALSE(rules.allows("/%7Euser/page.html")); // percent escapes compared without case
    EXPECT_TRUE(rules.allows("/other.html"));
}

TEST(RobotsRules, DisallowAllKeepsOnlyTheFileItself) {
    const RobotsRules rules = RobotsRules::disallowAll();
    EXPECT_FALSE(rules.allows("/"));
    EXPECT_TRUE(rules.allows("/robots.txt"));
    EXPECT_TRUE(RobotsRules().allows("/anything"));
}

} // namespace
