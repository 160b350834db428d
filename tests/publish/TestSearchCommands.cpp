#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/InputPrompt.h"
#include "platform/PreviewServer.h"
#include "platform/Shell.h"
#include "publish/SearchCommands.h"
#include "tests/publish/GeneratorFixture.h"
#include "tests/support/TestDoubles.h"

using generatortest::GeneratorFixture;

namespace {

using testsupport::RecordingShell;
using testsupport::ScriptedPrompt;

// Records the folders it is asked to serve; fails with `failure` when that is set.
class FakePreview : public PreviewServer {
public:
    Result<std::string> start(const std::string& folder) override {
        served.push_back(folder);
        if (failure)
            return Failure{*failure};
        return std::string("http://127.0.0.1:4321/");
    }
    void stop() override {}
    bool running() const override { return !served.empty() && !failure; }

    std::vector<std::string> served;
    std::optional<std::string> failure;
};

class SearchCommandsTest : public GeneratorFixture {
protected:
    bool make() {
        GeneratorInputs in = inputs();
        return OnMakeSearchFile(in, shell);
    }
    bool run() {
        GeneratorInputs in = inputs();
        return OnRunSearchFile(in, shell, prompt, preview);
    }
    std::string outputFolder() const { return output.str() + "/"; }

    RecordingShell shell;
    ScriptedPrompt prompt;
    FakePreview preview;
};

TEST_F(SearchCommandsTest, MakeOpensTheOutputFolderOnlyAfterSuccess) {
    for (const int scriptType : {ScriptTypes::JavaScript, ScriptTypes::Asp}) {
        profile.ScriptType = scriptType;
        shell.opened.clear();
        EXPECT_TRUE(make()) << messageList();
        EXPECT_EQ(shell.opened, std::vector<std::string>{outputFolder()});
    }
    EXPECT_TRUE(prompt.asked.empty());

    shell.opened.clear();
    idle = false;
    EXPECT_FALSE(make());
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(SearchCommandsTest, RunOpensTheJavaScriptSearchPageForTheWindowType) {
    const std::pair<int, std::string> cases[] = {
        {0, "search.html"}, {1, "search.html"}, {2, "FrameSearch.html"}};
    for (const auto& [windowType, page] : cases) {
        profile.OutputWindowType = windowType;
        shell.opened.clear();
        EXPECT_TRUE(run()) << messageList();
        EXPECT_EQ(shell.opened, std::vector<std::string>{outputFolder() + page});
        EXPECT_TRUE(inOutput(page));
    }
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(SearchCommandsTest, RunAsksForTheServerAddressAndRemembersIt) {
    profile.ScriptType = ScriptTypes::Asp;
    prompt.answer = "http://intranet/find/search.asp";
    EXPECT_TRUE(run()) << messageList();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0], (std::vector<std::string>{
                                   "Input URL to run", "URL:",
                                   "To run the asp search engine, you need to publish the output path in the "
                                   "IIS or PWS and input the URL here.",
                                   "http://localhost/search/search.asp"}));
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://intranet/find/search.asp"});
    EXPECT_EQ(runSearchURL, "http://intranet/find/search.asp");

    // The next run offers the remembered address.
    EXPECT_TRUE(run()) << messageList();
    EXPECT_EQ(prompt.asked[1][3], "http://intranet/find/search.asp");
}

TEST_F(SearchCommandsTest, CancelledOrEmptyAddressOpensNothing) {
    profile.ScriptType = ScriptTypes::Asp;
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        prompt.answer = answer;
        EXPECT_TRUE(run()) << messageList();
        EXPECT_TRUE(shell.opened.empty());
        EXPECT_EQ(runSearchURL, "http://localhost/search/search.asp");
    }
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_TRUE(inOutput("search.asp")); // the files were made all the same
}

TEST_F(SearchCommandsTest, RunServesThePhpEngineOnThePreviewServer) {
    profile.ScriptType = ScriptTypes::Php;
    EXPECT_TRUE(run()) << messageList();
    EXPECT_EQ(preview.served, std::vector<std::string>{outputFolder()});
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://127.0.0.1:4321/search.html"});
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(inOutput("search.php"));

    // A server that cannot start says why and opens nothing; the files stay made.
    shell.opened.clear();
    preview.failure = PhpPreviewServer::kNoPhp;
    EXPECT_TRUE(run());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(messageList(), std::string("[") + PhpPreviewServer::kNoPhp + "]");
}

TEST_F(SearchCommandsTest, RunDoesNothingMoreWhenGenerationIsRefused) {
    for (const int scriptType : {ScriptTypes::JavaScript, ScriptTypes::Asp, ScriptTypes::Php}) {
        profile.ScriptType = scriptType;
        profile.SelTemplateName = "Gone";
        prompt.answer = "http://x/";
        EXPECT_FALSE(run());
    }
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(preview.served.empty());
    EXPECT_EQ(messages.messages().size(), 3u);
}

} // namespace
