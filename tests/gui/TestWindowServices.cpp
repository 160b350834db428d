#include <gtest/gtest.h>

#include "ui/DesktopShell.h"
#include "ui/SelectFolder.h"

namespace {

// A browser that answers with a fixed folder and remembers where it was asked to start.
struct FakeBrowser {
    std::string answer;
    std::vector<std::string> starts;
    FolderBrowser browser() {
        return [this](QWidget*, const std::string&, const std::string& start) {
            starts.push_back(start);
            return answer;
        };
    }
};

} // namespace

TEST(SelectFolder, RemembersTheLastNonEmptyStartFolderAndEndsInASlash) {
    FakeBrowser browse{"/srv/site", {}};
    std::string remembered;
    EXPECT_EQ(SelectFolder(browse.browser(), nullptr, "t", "/home/me/", remembered), "/srv/site/");
    EXPECT_EQ(remembered, "/home/me/");
    // An empty start folder keeps the remembered one.
    EXPECT_EQ(SelectFolder(browse.browser(), nullptr, "t", "", remembered), "/srv/site/");
    EXPECT_EQ(browse.starts, (std::vector<std::string>{"/home/me/", "/home/me/"}));

    browse.answer = "/";
    EXPECT_EQ(SelectFolder(browse.browser(), nullptr, "t", "", remembered), "/");
    browse.answer = "";
    EXPECT_EQ(SelectFolder(browse.browser(), nullptr, "t", "/other/", remembered), "");
    EXPECT_EQ(remembered, "/other/");
}

TEST(DesktopShell, AddressesStayAddressesAndEverythingElseIsALocalPath) {
    EXPECT_EQ(DesktopShell::targetUrl("https://www.example.com/a?b=c").toString(),
              "https://www.example.com/a?b=c");
    const QUrl mail = DesktopShell::targetUrl("mailto:me@example.com?subject=Hi%20there");
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.query(QUrl::FullyDecoded), "subject=Hi there");

    // Characters that mean something in an address are part of a file's name here.
    const QUrl page = DesktopShell::targetUrl("/tmp/out #1/search.html");
    EXPECT_TRUE(page.isLocalFile());
    EXPECT_EQ(page.toLocalFile(), "/tmp/out #1/search.html");
    EXPECT_EQ(DesktopShell::targetUrl("/srv/a?b/").toLocalFile(), "/srv/a?b/");
    EXPECT_TRUE(DesktopShell::targetUrl("C:/site/search.html").isLocalFile());
}
