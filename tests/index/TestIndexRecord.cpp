#include <gtest/gtest.h>

#include "app/Settings.h"
#include "index/IndexRecord.h"
#include "tests/support/TestSupport.h"

namespace {

ProfileSettings linkProfile(int useLinksType, int checkReplacePath, std::string replaceUrl) {
    ProfileSettings profile;
    profile.UseLinksType = useLinksType;
    profile.CheckReplacePath = checkReplacePath;
    profile.ReplaceURL = std::move(replaceUrl);
    return profile;
}

TEST(TestIndexRecord, LinkFormsOfAFileBelowTheJobFolder) {
    const std::string root = "/site/";
    const std::string page = "/site/docs/a.htm";
    EXPECT_EQ(MakeRecordLink(page, root, linkProfile(0, 1, "https://x.example/")), "docs/a.htm");
    EXPECT_EQ(MakeRecordLink(page, root, linkProfile(1, 1, "https://x.example/")),
              "https://x.example/docs/a.htm");
    EXPECT_EQ(MakeRecordLink(page, root, linkProfile(1, 0, "https://x.example/")), "/site/docs/a.htm");
    // An empty replacement leaves the path below the root, without the trimming of relative links.
    EXPECT_EQ(MakeRecordLink("/site/ /x.htm", root, linkProfile(1, 1, "")), " /x.htm");
    EXPECT_EQ(MakeRecordLink("/site/ /x.htm", root, linkProfile(0, 1, "")), "x.htm");
}

TEST(TestIndexRecord, RootCountsOnlyAtTheStartOfTheLocation) {
    // A folder whose path repeats the root further down keeps that part.
    const std::string root = "/a/";
    EXPECT_EQ(MakeRecordLink("/a/b/a/c.htm", root, linkProfile(0, 1, "")), "b/a/c.htm");
    EXPECT_EQ(MakeRecordLink("/a/b/a/c.htm", root, linkProfile(1, 1, "http://h/")), "http://h/b/a/c.htm");
    // A page elsewhere (another site) keeps its full form in every link form.
    const std::string crawlRoot = "http://site.example/docs/";
    const std::string other = "http://other.example/docs/x.html";
    EXPECT_EQ(MakeRecordLink(other, crawlRoot, linkProfile(0, 1, "")), other);
    EXPECT_EQ(MakeRecordLink(other, crawlRoot, linkProfile(1, 1, "https://r/")), other);
    // A location that holds the root only further in is not below it: nothing is replaced.
    EXPECT_EQ(MakeRecordLink("/srv/a/c.htm", root, linkProfile(0, 1, "")), "srv/a/c.htm");
    EXPECT_EQ(MakeRecordLink("/srv/a/c.htm", root, linkProfile(1, 1, "http://h/")), "/srv/a/c.htm");
    EXPECT_EQ(MakeRecordLink("http://mirror.example/site.example/docs/x.html", crawlRoot,
                             linkProfile(1, 1, "https://r/")),
              "http://mirror.example/site.example/docs/x.html");
}

TEST(TestIndexRecord, BackslashesBecomeSlashesAndQuotesAndLineBreaksAreEscaped) {
    EXPECT_EQ(MakeRecordLink("/s/a\\b.htm", "/s/", linkProfile(0, 1, "")), "a/b.htm");
    EXPECT_EQ(MakeRecordLink("/s/x", "/s/", linkProfile(1, 1, "http://h\\")), "http://h/x");
    EXPECT_EQ(MakeRecordLink("/s/say \"hi\"\r\n.htm", "/s/", linkProfile(0, 1, "")),
              "say \\\"hi\\\"\\r\\n.htm");
}

TEST(TestIndexRecord, DataFileOfOneRunIsOneLine) {
    IndexRecord record{0, "docs/a.htm", {"A", "k1,k2", "d", "", "text of a"}};
    const std::string file = std::string(IndexDataFormat::kHeader) + IndexDataFormat::recordLine(record) +
                             IndexDataFormat::trailer(1);
    EXPECT_EQ(file,
              "arrFiles=new Array();arrFiles[0]=new Array(\"docs/a.htm\",\"A\",\"text of a\",\"k1,k2\",\"d\","
              "\"\");fileNum=1;");
}

} // namespace
