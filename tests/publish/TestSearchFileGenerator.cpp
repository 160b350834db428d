#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "app/ProductInfo.h"
#include "platform/FileLock.h"
#include "store/IndexDatabase.h"
#include "tests/publish/GeneratorFixture.h"

namespace fs = std::filesystem;
using generatortest::crlf;
using generatortest::GeneratorFixture;

namespace {

const std::string kNotForJavaScript =
    "Current you select \"Simple-ASP\" for template,it's not for JavaScript.\n"
    "Please open the \"Options\" dialog and select a right Template for using.";
const std::string kNotForAsp = "Current you select \"Menubar\" for template,it's not for ASP.\n"
                               "Please open the \"Options\" dialog and select a right Template for using.";
const std::string kSystemFileDamaged = "The system file is damaged!\nYou must reinstall this software.";
const std::string kIndexFirst =
    "To make or run the search engine you must index a folder or website first.\n"
    "Please select \"Index folder\" or \"Index Website\" in the menu to index.\t\t\t\n"
    "After the indexing is finished,you can continue this.";
const std::string kStillIndexing =
    "Current indexing work has not been finished yet!\nPlease wait or stop the work to continue.";
const std::string kNoTemplateFile =
    "Current selected template file is not existed!\nPlease open 'Options' dialog "
    "and select 'Template' to select another template name to continue.";
const std::string kOpenFailure = "Open file failure!\nPlease retry again.";

std::string noOutputPath(const std::string& path) {
    return "The output path " + path +
           " is not existed!\nPlease open 'Options' dialog and select 'Output' to set another output path to "
           "continue.";
}

std::string notWrittenHere(const std::string& path) {
    return path +
           " was not written by Findlark, so it is neither replaced nor removed.\nNothing in the output path "
           "was "
           "changed: move that file away, or open 'Options' dialog and select 'Output' to set another output "
           "path to continue.";
}

std::string comment() {
    return std::string("<!-- Findlark (") + ProductInfo::kWebAddress +
           ") -- Add a search tool to your website. -->\\r\\n";
}

class SearchFileGeneratorTest : public GeneratorFixture {
protected:
    // Every file a Findlark that kept no record could have left in the output folder.
    void writeEarlierOutput() {
        const std::string translation = "//Translate search result info into your language\r\n";
        output.write("searchfunc.js", translation + "StrYourSearch=\"Ihre Suche:\"; //Your search:\r\n");
        output.write("search.asp", "<script LANGUAGE=\"JavaScript\" RUNAT=\"Server\">\r\n\r\n" + translation +
                                       "StrYourSearch=\"Your search:\"; //Your search:\r\n");
        output.write("search.php", "<?php\r\n" + translation + "$StrYourSearch=\"Your search:\";\r\n");
        output.write("webdata.js",
                     "arrFiles=new Array();arrFiles[0]=new Array(\"a\",\"A\",\"\",\"\",\"\",\"\");"
                     "fileNum=1;");
        fs::copy_file(program.databasePath(), output.path() / "IndexData.mdb",
                      fs::copy_options::overwrite_existing);
        for (const char* name : {"search.html", "result.html", "FrameSearch.html", "style.css"})
            fs::copy_file(program.str(std::string("Template/Mine/") + name), output.path() / name,
                          fs::copy_options::overwrite_existing);
    }

    std::string lastMessage() const {
        const auto shown = messages.messages();
        return shown.empty() ? "<no message>" : shown.back();
    }

    // The output folder's every entry, hidden ones too, with the bytes of its files.
    std::map<std::string, std::string> outputSnapshot() const {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(output.path())) {
            const std::string name = fs::relative(entry.path(), output.path()).generic_string();
            entries[name] = entry.is_symlink()        ? "link to " + fs::read_symlink(entry.path()).string()
                            : entry.is_regular_file() ? testsupport::readFile(entry.path())
                                                      : "folder";
        }
        return entries;
    }

    // Makes one refused call and checks that its message is the expected one and nothing was written.
    void expectRefusal(const std::string& expected) {
        const auto programBefore = filesBelow(program.path());
        const size_t shown = messages.messages().size();
        EXPECT_FALSE(generate());
        ASSERT_EQ(messages.messages().size(), shown + 1);
        EXPECT_EQ(messages.messages().back(), expected);
        EXPECT_TRUE(outputFiles().empty());
        EXPECT_EQ(filesBelow(program.path()), programBefore);
    }
};

TEST_F(SearchFileGeneratorTest, JavaScriptRefusalsComeInTheirOrderAndWriteNothing) {
    // Every condition fails at first; each is mended in turn and the next message shows.
    profile.SelTemplateName = "Simple-ASP";
    fs::remove(program.str("SearchFunc.dat"));
    fs::remove(program.str("IndexData.dat"));
    idle = false;
    const std::string missingOutput = output.str("missing/");
    profile.OutputPath = missingOutput;

    expectRefusal(kNotForJavaScript);
    profile.SelTemplateName = "Advanced-ASP";
    expectRefusal("Current you select \"Advanced-ASP\" for template,it's not for JavaScript.\n"
                  "Please open the \"Options\" dialog and select a right Template for using.");
    profile.SelTemplateName = "Nowhere";
    expectRefusal(kSystemFileDamaged);
    program.write("SearchFunc.dat", "x");
    // A run in progress is what will make the index, so it is told first.
    expectRefusal(kStillIndexing);
    idle = true;
    expectRefusal(kIndexFirst);
    program.write("IndexData.dat", "arrFiles=new Array();fileNum=0;");
    expectRefusal(noOutputPath(missingOutput));
    profile.OutputPath = output.str() + "/";
    expectRefusal(kNoTemplateFile);
    profile.SelTemplateName = "Mine";
    EXPECT_TRUE(generate()) << messageList();
}

TEST_F(SearchFileGeneratorTest, AspRefusalsComeInTheirOrderAndWriteNothing) {
    profile.ScriptType = ScriptTypes::Asp;
    profile.SelTemplateName = "Menubar";
    fs::remove(program.str("SearchFuncASP.dat"));
    fs::remove(program.databasePath());
    idle = false;
    profile.OutputPath = "";

    expectRefusal(kNotForAsp);
    for (const char* jsOnly : {"Simple", "Advanced"}) {
        profile.SelTemplateName = jsOnly;
        EXPECT_FALSE(generate());
        EXPECT_NE(messages.messages().back().find(std::string("\"") + jsOnly + "\""), std::string::npos);
    }
    profile.SelTemplateName = "Mine";
    // SearchFunc.dat is present: the server-side code alone is enough to refuse.
    expectRefusal(kSystemFileDamaged);
    program.write("SearchFuncASP.dat", "x");
    expectRefusal(kStillIndexing);
    idle = true;
    // The JavaScript index does not count as an index for the ASP variant.
    expectRefusal(kIndexFirst);
    fs::copy_file(fs::path(testsupport::buildProgramDir()) / "IndexData.mdb", program.databasePath());
    // The empty database the program ships with holds no run's index either.
    expectRefusal(kIndexFirst);
    testsupport::queryRows(program.databasePath(), "CREATE TABLE SearchWords (Word TEXT)",
                           SQLITE_OPEN_READWRITE);
    expectRefusal(noOutputPath(""));
    profile.OutputPath = output.str() + "/";
    fs::remove(program.str("Template/Mine/result.html"));
    expectRefusal(kNoTemplateFile);
    program.write("Template/Mine/result.html", "");
    fs::remove(program.str("Template/Mine/search.html"));
    expectRefusal(kNoTemplateFile);
    program.write("Template/Mine/search.html", "");
    EXPECT_TRUE(generate()) << messageList();
}

TEST_F(SearchFileGeneratorTest, TemplateNamesAreComparedExactly) {
    writeTemplate("simple-asp");
    profile.SelTemplateName = "simple-asp";
    EXPECT_TRUE(generate()) << messageList();
    profile.ScriptType = ScriptTypes::Asp;
    writeTemplate("simple");
    profile.SelTemplateName = "simple";
    EXPECT_TRUE(generate()) << messageList();
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SearchFileGeneratorTest, AnOutputFileThatIsNotAFolderIsRefused) {
    const std::string file = output.write("plain", "x");
    profile.OutputPath = file;
    EXPECT_FALSE(generate());
    EXPECT_EQ(messageList(), "[" + noOutputPath(file) + "]");
}

struct FileSetCase {
    int scriptType;
    int windowType;
    std::set<std::string> expected;
};

TEST_F(SearchFileGeneratorTest, EachVariantLeavesItsFileSet) {
    const std::set<std::string> common = {"search.html", "style.css", "images/logo.txt", "user.txt",
                                          ".findlark-files"};
    const auto with = [&](std::initializer_list<std::string> names) {
        std::set<std::string> files = common;
        files.insert(names);
        return files;
    };
    const FileSetCase cases[] = {
        {0, 0, with({"searchfunc.js", "webdata.js"})},
        {0, 1, with({"searchfunc.js", "webdata.js"})},
        {0, 2, with({"searchfunc.js", "webdata.js", "FrameSearch.html", "result.html"})},
        {1, 0, with({"search.asp", "IndexData.mdb"})},
        {1, 1, with({"search.asp", "IndexData.mdb"})},
        {1, 2, with({"search.asp", "IndexData.mdb"})},
        {2, 0, with({"search.php", "IndexData.mdb"})},
        {2, 2, with({"search.php", "IndexData.mdb"})},
    };
    for (const FileSetCase& c : cases) {
        SCOPED_TRACE("script type " + std::to_string(c.scriptType) + ", window type " +
                     std::to_string(c.windowType));
        // Leftovers of every variant, as a version that kept no record of its files left them, and of the
        // user. The record of one case's files is not what lets the next case replace them.
        writeEarlierOutput();
        fs::remove(output.path() / ".findlark-files");
        output.write("user.txt", "mine");
        profile.ScriptType = c.scriptType;
        profile.OutputWindowType = c.windowType;
        ASSERT_TRUE(generate()) << messageList();
        EXPECT_EQ(outputFiles(), c.expected);
        EXPECT_EQ(outputFile("search.html"), "<html>search</html>\r\n");
        EXPECT_EQ(outputFile("user.txt"), "mine");
        EXPECT_EQ(outputFile("images/logo.txt"), "logo");
        if (c.scriptType == 0) {
            EXPECT_EQ(outputFile("webdata.js"), "arrFiles=new Array();fileNum=0;");
        } else {
            EXPECT_EQ(generatortest::databaseContent(output.str("IndexData.mdb")),
                      generatortest::databaseContent(program.databasePath()));
        }
        if (c.windowType == 2 && c.scriptType == 0) {
            EXPECT_EQ(outputFile("FrameSearch.html"), "<frameset></frameset>\r\n");
        }
    }
}

TEST_F(SearchFileGeneratorTest, SwitchingVariantsRemovesTheOtherVariantsFiles) {
    profile.ScriptType = ScriptTypes::Asp;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_TRUE(inOutput("search.asp"));
    EXPECT_TRUE(inOutput("IndexData.mdb"));

    profile.ScriptType = ScriptTypes::JavaScript;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_FALSE(inOutput("search.asp"));
    EXPECT_FALSE(inOutput("IndexData.mdb"));
    EXPECT_TRUE(inOutput("searchfunc.js"));
    EXPECT_TRUE(inOutput("webdata.js"));

    profile.ScriptType = ScriptTypes::Php;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_FALSE(inOutput("searchfunc.js"));
    EXPECT_FALSE(inOutput("webdata.js"));
    EXPECT_TRUE(inOutput("search.php"));
    EXPECT_TRUE(inOutput("IndexData.mdb"));

    profile.ScriptType = ScriptTypes::Asp;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_FALSE(inOutput("search.php"));
    EXPECT_FALSE(inOutput("searchfunc.js"));
    EXPECT_FALSE(inOutput("webdata.js"));
    EXPECT_TRUE(inOutput("search.asp"));

    profile.ScriptType = ScriptTypes::Php;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_FALSE(inOutput("search.asp"));
    EXPECT_TRUE(inOutput("IndexData.mdb"));

    profile.ScriptType = ScriptTypes::JavaScript;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_FALSE(inOutput("search.php"));
    EXPECT_FALSE(inOutput("IndexData.mdb"));
    // The database beside the program is copied, never moved.
    EXPECT_TRUE(fs::exists(program.databasePath()));
}

TEST_F(SearchFileGeneratorTest, EachVariantRefusesTheOtherVariantsTemplates) {
    const std::pair<int, std::vector<std::string>> cases[] = {
        {ScriptTypes::JavaScript, {"Simple-ASP", "Advanced-ASP", "Simple-PHP", "Advanced-PHP"}},
        {ScriptTypes::Asp, {"Simple", "Menubar", "Advanced", "Simple-PHP", "Advanced-PHP"}},
        {ScriptTypes::Php, {"Simple", "Menubar", "Advanced", "Simple-ASP", "Advanced-ASP"}},
    };
    const char* const variantNames[] = {"JavaScript", "ASP", "PHP"};
    for (const auto& [scriptType, refused] : cases) {
        profile.ScriptType = scriptType;
        for (const std::string& name : refused) {
            SCOPED_TRACE(name);
            profile.SelTemplateName = name;
            expectRefusal("Current you select \"" + name + "\" for template,it's not for " +
                          variantNames[scriptType] +
                          ".\nPlease open the \"Options\" dialog and select a right Template for using.");
        }
    }
    // The PHP variant needs its own code only: the browser functions may be missing.
    profile.ScriptType = ScriptTypes::Php;
    profile.SelTemplateName = "Mine";
    fs::remove(program.str("SearchFunc.dat"));
    EXPECT_TRUE(generate()) << messageList();
    fs::remove(program.str("SearchFuncPHP.dat"));
    EXPECT_FALSE(generate());
    EXPECT_EQ(messages.messages().back(), kSystemFileDamaged);
}

// While a PHP run builds its word index, the database holds none yet; the user is told to wait, not to index.
TEST_F(SearchFileGeneratorTest, PhpMakeDuringARunSaysTheRunIsNotFinished) {
    profile.ScriptType = ScriptTypes::Php;
    profile.SelTemplateName = "Mine";
    fs::remove(program.databasePath());
    idle = false;
    expectRefusal(kStillIndexing);
}

TEST_F(SearchFileGeneratorTest, PhpScriptFileHasItsExactLayout) {
    profile.ScriptType = ScriptTypes::Php;
    profile.NoNewSearchLink = 0;
    profile.ResultTitleFace = "it's";
    writeResultPage(
        "<form action=\"search.php\">\r\n<b class='x'>C:\\dir $HOME {$x}</b><%CONTENT%><i>\"end\"</i>\n"
        "<p>\\n</p>");
    ASSERT_TRUE(generate()) << messageList();
    const std::string expected = crlf({
        "<?php",
        "//Translate search result info into your language",
        R"($StrYourSearch="Your search:"; //Your search:)",
        R"($StrNewSearch="New Search"; //New Search)",
        R"($StrCloseWindow="Close Window"; //Close Window)",
        R"($StrFind="Find"; //Find)",
        R"($StrItems="items"; //items)",
        R"($strResultPage="Result Page"; //Result Page)",
        R"($strPrevious="Previous"; //Previous)",
        R"($strNext="Next"; //Next)",
        "",
        "//Options for the search engine",
        "$MatchingStrategy=0; //0:Use all words,1:Use any words,2:Use exact phrase",
        "$SearchStrategy=0; //0:search all text,1:Search title,2:Search keywords,3:Search description",
        "$OutPutWindowType=0; //0:same window,1:new window,2:use frame",
        "$OutPutResultTitle=1; //0: not output,1: output",
        "$OutPutResultText=1; //0: not output,1: output",
        "$OutPutResultUrl=1; //0: not output,1: output",
        "$OutPutResultInfo=1; //0: not output,1: output",
        "$NoNewSearchLink=1; //0: has New Search link,1: no",
        "$NoHorizLine=0; //0: has Horizontal lines,1: no",
        "$NoPoweredBy=0; //0: has Powered By info,1: no",
        "$ResultTitleSize=3; //default size: '3'",
        R"($ResultTitleFace='it\'s'; //default face: 'arial')",
        "$ResultTitleColor='#0000ff'; //default color: '#0000FF'",
        "$ResultTextSize=2; //default size: '2'",
        "$ResultTextFace='arial'; //default face: 'arial'",
        "$ResultTextColor='#000000'; //default color: '#000000'",
        "$ResultUrlSize=2; //default size: '2'",
        "$ResultUrlFace='arial'; //default face: 'arial'",
        "$ResultUrlColor='#008000'; //default color: '#008000'",
        "$ResultInfoSize=2; //default size: '2'",
        "$ResultInfoFace='arial'; //default face: 'arial'",
        "$ResultInfoColor='#000000'; //default color: '#000000'",
        "$HitTitleColor='#cc0033'; //default color: '#CC0033'",
        "$HitTextColor='#cc0033'; //default color: '#CC0033'",
        "",
        R"($SearchFileName="search.php"; //search file's name)",
        "",
        R"($PreSearResultHTML="<form action=\"search.php\">\r\n<b class='x'>C:\\dir \$HOME {\$x}</b>";)",
        R"($StepSearResultHTML="<i>\"end\"</i>\r\n<p>\\n</p>\r\n";)",
        "",
        "echo 'x';",
        "",
        R"(echo "$y";)",
    });
    EXPECT_EQ(scriptFile(), expected);
    EXPECT_EQ(profile.NoNewSearchLink, 1);
}

TEST_F(SearchFileGeneratorTest, JavaScriptScriptFileHasItsExactLayout) {
    profile.MatchingStrategy = 2;
    profile.SearchStrategy = 3;
    // Every setting gets a value of its own, so a value written into another setting's line shows.
    profile.OutputWindowType = 1;
    profile.OutputResultTitle = 0;
    profile.OutputResultText = 4;
    profile.OutputResultUrl = 5;
    profile.OutputResultInfo = 6;
    profile.NoNewSearchLink = 7;
    profile.NoHorizLine = 8;
    profile.NoPoweredBy = 9;
    profile.ResultTitleSize = 5;
    profile.ResultTitleFace = "Verdana";
    profile.ResultTitleColor = 0x112233;
    profile.ResultTextSize = 1;
    profile.ResultTextFace = "Times New Roman";
    profile.ResultTextColor = 0x0000ff;
    profile.ResultUrlSize = 4;
    profile.ResultUrlFace = "Courier";
    profile.ResultUrlColor = 0x778899;
    profile.ResultInfoSize = 6;
    profile.ResultInfoFace = "Georgia";
    profile.ResultInfoColor = 0x445566;
    profile.HitTitleColor = 0x0a0b0c;
    profile.HitTextColor = 0xabcdef;
    writeResultPage("<html><body class=\"r\">\r\n<p>Results</p>\n<div><%CONTENT%></div>\r\n"
                    "<a href=\"x\">back</a>\r</body></html>");
    ASSERT_TRUE(generate()) << messageList();

    const std::string expected = crlf({
        "//Translate search result info into your language",
        R"(StrYourSearch="Your search:"; //Your search:)",
        R"(StrNewSearch="New Search"; //New Search)",
        R"(StrCloseWindow="Close Window"; //Close Window)",
        R"(StrFind="Find"; //Find)",
        R"(StrItems="items"; //items)",
        R"(strResultPage="Result Page"; //Result Page)",
        R"(strPrevious="Previous"; //Previous)",
        R"(strNext="Next"; //Next)",
        "",
        "//Options for the search engine",
        "MatchingStrategy=2; //0:Use all words,1:Use any words,2:Use exact phrase",
        "SearchStrategy=3; //0:search all text,1:Search title,2:Search keywords,3:Search description",
        "OutPutWindowType=1; //0:same window,1:new window,2:use frame",
        "OutPutResultTitle=0; //0: not output,1: output",
        "OutPutResultText=4; //0: not output,1: output",
        "OutPutResultUrl=5; //0: not output,1: output",
        "OutPutResultInfo=6; //0: not output,1: output",
        "NoNewSearchLink=7; //0: has New Search link,1: no",
        "NoHorizLine=8; //0: has Horizontal lines,1: no",
        "NoPoweredBy=9; //0: has Powered By info,1: no",
        "ResultTitleSize=5; //default size: '3'",
        "ResultTitleFace='Verdana'; //default face: 'arial'",
        "ResultTitleColor='#332211'; //default color: '#0000FF'",
        "ResultTextSize=1; //default size: '2'",
        "ResultTextFace='Times New Roman'; //default face: 'arial'",
        "ResultTextColor='#ff0000'; //default color: '#000000'",
        "ResultUrlSize=4; //default size: '2'",
        "ResultUrlFace='Courier'; //default face: 'arial'",
        "ResultUrlColor='#998877'; //default color: '#008000'",
        "ResultInfoSize=6; //default size: '2'",
        "ResultInfoFace='Georgia'; //default face: 'arial'",
        "ResultInfoColor='#665544'; //default color: '#000000'",
        "HitTitleColor='#0c0b0a'; //default color: '#CC0033'",
        "HitTextColor='#efcdab'; //default color: '#CC0033'",
        "",
        R"(SearchFileName="search.html"; //search file's name)",
        "",
        R"(PreSearResultHTML="<html><body class=\"r\">\r\n<p>Results</p>\r\n<div>)" + comment() + "\";",
        R"(StepSearResultHTML="</div>\r\n<a href=\"x\">back</a>\r\n</body></html>\r\n";)",
        R"(document.write("<script LANGUAGE='JavaScript' src='webdata.js'></script>"); )",
        R"(eval( unescape("%76ar%20a%3D1%3B%0Afunction%20f%28%29%7B%7D") );)",
        "",
    });
    EXPECT_EQ(scriptFile(), expected);
    EXPECT_EQ(profile.NoNewSearchLink, 7); // the JavaScript variant keeps it as set
}

TEST_F(SearchFileGeneratorTest, AspScriptFileIsWrappedAsServerScriptAndEndsWithTheServerCode) {
    profile.ScriptType = ScriptTypes::Asp;
    writeResultPage("<b>\"Hits\"</b><%CONTENT%><i>end</i>\n");
    ASSERT_TRUE(generate()) << messageList();
    const std::string text = scriptFile();

    const std::string start = crlf({R"(<script LANGUAGE="JavaScript" RUNAT="Server">)", "",
                                    "//Translate search result info into your language"});
    EXPECT_EQ(text.substr(0, start.size()), start);
    const std::string tail = crlf({
        R"(SearchFileName="search.asp"; //search file's name)",
        "",
        R"(PreSearResultHTML="<b>\"Hits\"</b>";)",
        R"(StepSearResultHTML="<i>end</i>\r\n";)",
        R"(eval( unescape("%76ar%20a%3D1%3B%0Afunction%20f%28%29%7B%7D") );)",
        "",
        "</script>",
        "",
        "<%",
        R"(Response.Write("x"))",
        "%>",
    });
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(text.find("webdata.js"), std::string::npos);
    EXPECT_EQ(text.find("<!-- Findlark"), std::string::npos);
}

TEST_F(SearchFileGeneratorTest, AspAlwaysWritesNoNewSearchLinkAndKeepsItSet) {
    profile.ScriptType = ScriptTypes::Asp;
    profile.NoNewSearchLink = 0;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptLine("NoNewSearchLink="), "NoNewSearchLink=1; //0: has New Search link,1: no");
    EXPECT_EQ(profile.NoNewSearchLink, 1);

    profile.ScriptType = ScriptTypes::JavaScript;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptLine("NoNewSearchLink="), "NoNewSearchLink=1; //0: has New Search link,1: no");
    profile.NoNewSearchLink = 0;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptLine("NoNewSearchLink="), "NoNewSearchLink=0; //0: has New Search link,1: no");
}

struct HalvesCase {
    const char* name;
    std::string resultPage;
    std::string first; // without the generator comment
    std::string second;
};

TEST_F(SearchFileGeneratorTest, ResultPageIsCutAtTheFirstMarker) {
    const HalvesCase cases[] = {
        {"text around the marker", "before<%CONTENT%>after", "before", R"(after\r\n)"},
        {"marker alone", "a\r\n<%CONTENT%>\r\nb", R"(a\r\n)", R"(\r\nb\r\n)"},
        {"no marker", "a\nb\n", R"(a\r\nb\r\n)", ""},
        {"empty page", "", "", ""},
        {"second marker stays", "x<%CONTENT%>y<%CONTENT%>\nz<%CONTENT%>", "x",
         R"(y<%CONTENT%>\r\nz<%CONTENT%>\r\n)"},
        {"marker case matters", "<%content%>", R"(<%content%>\r\n)", ""},
        {"quotes and backslashes", "<a href=\"c:\\x\">\"</a><%CONTENT%>\\\"", R"(<a href=\"c:\x\">\"</a>)",
         R"(\\"\r\n)"},
        {"lone carriage returns end lines", "a\rb<%CONTENT%>c\rd", R"(a\r\nb)", R"(c\r\nd\r\n)"},
    };
    for (const HalvesCase& c : cases) {
        for (const int scriptType : {ScriptTypes::JavaScript, ScriptTypes::Asp}) {
            SCOPED_TRACE(std::string(c.name) + (scriptType == ScriptTypes::Asp ? " (ASP)" : " (JavaScript)"));
            writeResultPage(c.resultPage);
            profile.ScriptType = scriptType;
            ASSERT_TRUE(generate()) << messageList();
            const std::string first = scriptType == ScriptTypes::Asp ? c.first : c.first + comment();
            EXPECT_EQ(scriptLine("PreSearResultHTML="), "PreSearResultHTML=\"" + first + "\";");
            EXPECT_EQ(scriptLine("StepSearResultHTML="), "StepSearResultHTML=\"" + c.second + "\";");
        }
    }
}

TEST_F(SearchFileGeneratorTest, EmptySearchFunctionsGiveTwoAdjacentQuotes) {
    program.write("SearchFunc.dat", "");
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptLine("eval("), "eval( unescape(\"\") );");
    EXPECT_NE(scriptFile().find("eval( unescape(\"\") );\r\n\r\n"), std::string::npos);
}

TEST_F(SearchFileGeneratorTest, FontFacesCannotEndTheirScriptString) {
    profile.ResultTitleFace = "100% Sans";
    profile.ResultTextFace = "O'Brien\\Mono";
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptLine("ResultTitleFace="), "ResultTitleFace='100% Sans'; //default face: 'arial'");
    EXPECT_EQ(scriptLine("ResultTextFace="), R"(ResultTextFace='O\'Brien\\Mono'; //default face: 'arial')");
}

TEST_F(SearchFileGeneratorTest, UnreadableResultPageLeavesAnEmptyScriptFile) {
    profile.ScriptType = ScriptTypes::Asp;
    profile.NoNewSearchLink = 0;
    fs::remove(program.str("Template/Mine/result.html"));
    fs::create_directory(program.str("Template/Mine/result.html"));
    EXPECT_FALSE(generate());
    EXPECT_EQ(messageList(), "[" + kOpenFailure + "]");
    EXPECT_EQ(outputFile("search.asp"), "");
    EXPECT_TRUE(inOutput("IndexData.mdb")); // the steps before stay done
    EXPECT_EQ(profile.NoNewSearchLink, 0);
}

TEST_F(SearchFileGeneratorTest, UnreadableServerCodeLeavesNoHalfScript) {
    profile.ScriptType = ScriptTypes::Asp;
    fs::remove(program.str("SearchFuncASP.dat"));
    fs::create_directory(program.str("SearchFuncASP.dat"));
    EXPECT_FALSE(generate());
    EXPECT_EQ(messageList(), "[" + kOpenFailure + "]");
    EXPECT_FALSE(inOutput("search.asp"));
}

TEST_F(SearchFileGeneratorTest, TemplatePagesLinkedFromOutsideTheTemplateAreRefused) {
    testsupport::TempDir elsewhere;
    elsewhere.write("private.html", "private <%CONTENT%>");
    for (const char* page : {"result.html", "search.html"}) {
        SCOPED_TRACE(page);
        const fs::path path = program.path() / "Template/Mine" / page;
        const std::string own = testsupport::readFile(path);
        fs::remove(path);
        fs::create_symlink(elsewhere.path() / "private.html", path);
        const auto before = outputSnapshot();
        EXPECT_FALSE(generate());
        EXPECT_EQ(lastMessage(), kNoTemplateFile);
        EXPECT_EQ(outputSnapshot(), before);
        // A link to a page inside the template is the template's own page.
        program.write(std::string("Template/Mine/pages/") + page, own);
        fs::remove(path);
        fs::create_symlink(std::string("pages/") + page, path);
        EXPECT_TRUE(generate()) << messageList();
    }
}

TEST_F(SearchFileGeneratorTest, TemplateNamesThatAreNoPlainFolderNameAreRefused) {
    // Pages stand in the folders "." and ".." would name, so only the name itself can refuse them.
    for (const char* folder : {"", "Template/"}) {
        program.write(std::string(folder) + "search.html", "private");
        program.write(std::string(folder) + "result.html", "<%CONTENT%>");
    }
    testsupport::TempDir elsewhere;
    elsewhere.write("search.html", "private");
    elsewhere.write("result.html", "<%CONTENT%>");
    const std::string escape = fs::relative(elsewhere.path(), program.str("Template")).string();
    for (const std::string& name :
         {escape, std::string("."), std::string(".."), std::string("Simple/"), std::string()}) {
        profile.SelTemplateName = name;
        EXPECT_FALSE(generate()) << name;
        EXPECT_FALSE(inOutput("search.html")) << name;
    }
}

TEST_F(SearchFileGeneratorTest, LinksInTheOutputFolderAreNeitherReplacedNorWrittenThrough) {
    // Even a link to a file the generator would recognise as its own: Findlark never writes a link.
    testsupport::TempDir elsewhere;
    fs::copy_file(program.str("Template/Mine/style.css"), elsewhere.path() / "style.css");
    for (const char* name : {"webdata.js", "searchfunc.js", "style.css", "images", ".findlark-files"}) {
        SCOPED_TRACE(name);
        fs::create_symlink(elsewhere.path() / name, output.path() / name);
        const auto before = outputSnapshot();
        EXPECT_FALSE(generate());
        EXPECT_EQ(lastMessage(), notWrittenHere(output.str(name)));
        EXPECT_EQ(outputSnapshot(), before);
        fs::remove(output.path() / name);
    }
    EXPECT_EQ(testsupport::readFile(elsewhere.path() / "style.css"), "body{}\r\n");
    EXPECT_EQ(filesBelow(elsewhere.path()), std::set<std::string>{"style.css"});
}

TEST_F(SearchFileGeneratorTest, TheSitesOwnFolderAsOutputIsRefusedAndLeftAsItWas) {
    for (const char* name : {"result.html", "search.php", "searchfunc.js", "search.html", "style.css"})
        output.write(name, std::string("the site's own ") + name);
    const auto site = outputSnapshot();
    for (const int scriptType : {ScriptTypes::JavaScript, ScriptTypes::Asp, ScriptTypes::Php}) {
        SCOPED_TRACE(scriptType);
        profile.ScriptType = scriptType;
        EXPECT_FALSE(generate());
        const std::string shown = lastMessage();
        const std::string named = shown.substr(0, shown.find(' '));
        EXPECT_TRUE(site.count(fs::relative(named, output.path()).string())) << shown;
        EXPECT_EQ(shown, notWrittenHere(named));
        EXPECT_EQ(outputSnapshot(), site);
    }
}

struct ForeignCase {
    int scriptType;
    const char* name; // a name the generator writes or removes in that variant
};

TEST_F(SearchFileGeneratorTest, EveryGeneratedNameHeldByAnotherFileIsRefusedBeforeAnythingIsWritten) {
    const ForeignCase cases[] = {
        {ScriptTypes::JavaScript, "searchfunc.js"},
        {ScriptTypes::JavaScript, "webdata.js"},
        {ScriptTypes::JavaScript, "search.asp"},
        {ScriptTypes::JavaScript, "search.php"},
        {ScriptTypes::JavaScript, "IndexData.mdb"},
        {ScriptTypes::JavaScript, "FrameSearch.html"},
        {ScriptTypes::JavaScript, "result.html"},
        {ScriptTypes::JavaScript, "style.css"},
        {ScriptTypes::JavaScript, "images/logo.txt"},
        {ScriptTypes::Asp, "search.asp"},
        {ScriptTypes::Asp, "IndexData.mdb"},
        {ScriptTypes::Asp, "searchfunc.js"},
        {ScriptTypes::Asp, "webdata.js"},
        {ScriptTypes::Php, "search.php"},
    };
    for (const ForeignCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in script type " + std::to_string(c.scriptType));
        profile.ScriptType = c.scriptType;
        output.write(c.name, "the site's own");
        const auto before = outputSnapshot();
        EXPECT_FALSE(generate());
        EXPECT_EQ(lastMessage(), notWrittenHere(output.str(c.name)));
        EXPECT_EQ(outputSnapshot(), before);
        fs::remove_all(output.path() / "images");
        fs::remove(output.path() / c.name);
    }
    // A file where the template has a folder is refused by the folder's name.
    output.write("images", "the site's own");
    EXPECT_FALSE(generate());
    EXPECT_EQ(lastMessage(), notWrittenHere(output.str("images")));
}

TEST_F(SearchFileGeneratorTest, TheRecordKnowsExactlyWhatWasWritten) {
    ASSERT_TRUE(generate()) << messageList();
    // A template changed since is copied over its earlier copy, which the record knows as written here.
    program.write("Template/Mine/style.css", "body{color:red}\r\n");
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(outputFile("style.css"), "body{color:red}\r\n");
    // A published file changed by someone else since is no longer what was written.
    output.write("style.css", "body{color:blue}\r\n");
    const auto before = outputSnapshot();
    EXPECT_FALSE(generate());
    EXPECT_EQ(lastMessage(), notWrittenHere(output.str("style.css")));
    EXPECT_EQ(outputSnapshot(), before);
}

TEST_F(SearchFileGeneratorTest, TheServerPagesNeedAnIndexWithItsWordIndex) {
    // A database of an older version holds the rows alone.
    testsupport::queryRows(program.databasePath(), "DROP TABLE SearchWords", SQLITE_OPEN_READWRITE);
    profile.ScriptType = ScriptTypes::Php;
    EXPECT_FALSE(generate());
    EXPECT_FALSE(inOutput("search.php"));
    profile.ScriptType = ScriptTypes::Asp;
    EXPECT_FALSE(generate());
    EXPECT_FALSE(inOutput("search.asp"));
    EXPECT_EQ(messageList(), "[" + kIndexFirst + "][" + kIndexFirst + "]");
}

TEST_F(SearchFileGeneratorTest, OnlyAWholeIndexIsPublished) {
    output.write("webdata.js", "index of an earlier run");
    for (const std::string cut :
         {"arrFiles=new Array();arrFiles[0]=new Array(\"a\",\"A\",\"\",\"\",\"\",\"\");", "fileNum=0;", ""}) {
        program.write("IndexData.dat", cut);
        EXPECT_FALSE(generate()) << cut;
        EXPECT_EQ(outputFile("webdata.js"), "index of an earlier run");
    }
    fs::remove(program.indexDataPath());
    fs::create_directory(program.indexDataPath());
    EXPECT_FALSE(generate());
    EXPECT_FALSE(inOutput("searchfunc.js"));
    EXPECT_EQ(outputFile("webdata.js"), "index of an earlier run");
}

TEST_F(SearchFileGeneratorTest, AFailedTemplateCopyIsReported) {
    // A link in the template whose target is gone cannot be copied.
    fs::create_symlink(program.path() / "Template/Mine/gone.css",
                       program.path() / "Template/Mine/broken.css");
    EXPECT_FALSE(generate());
    EXPECT_EQ(messageList(), "[" + kOpenFailure + "]");
    EXPECT_FALSE(inOutput("searchfunc.js"));
    EXPECT_EQ(outputFile("search.html"), "<html>search</html>\r\n"); // the rest was still copied
}

TEST_F(SearchFileGeneratorTest, ScriptFileLeftInPlaceIsReplacedNotAppendedTo) {
    ASSERT_TRUE(generate()) << messageList();
    const std::string first = scriptFile();
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptFile(), first);
    // The template may carry a file of the script's name; it is replaced as well.
    program.write("Template/Mine/searchfunc.js", "template's own");
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(scriptFile(), first);
}

TEST_F(SearchFileGeneratorTest, OutputPathWithoutFinalSlashStillWritesInsideTheFolder) {
    profile.OutputPath = output.str();
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_TRUE(inOutput("searchfunc.js"));
    EXPECT_TRUE(inOutput("webdata.js"));
    EXPECT_FALSE(fs::exists(output.str() + "searchfunc.js"));
    EXPECT_EQ(profile.OutputPath, output.str()); // the setting itself is left as typed
}

TEST_F(SearchFileGeneratorTest, TemplateFolderAsOutputKeepsTheTemplatesFiles) {
    profile.OutputPath = program.str("Template/Mine/");
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(testsupport::readFile(program.str("Template/Mine/result.html")), "<p><%CONTENT%></p>\r\n");
    EXPECT_TRUE(fs::exists(program.str("Template/Mine/FrameSearch.html")));
    EXPECT_TRUE(fs::exists(program.str("Template/Mine/webdata.js")));
}

TEST_F(SearchFileGeneratorTest, ProgramFolderAsOutputKeepsTheSupportFiles) {
    profile.OutputPath = program.str() + "/";
    profile.ScriptType = ScriptTypes::Asp;
    const std::string database = testsupport::readFile(program.databasePath());
    ASSERT_TRUE(generate()) << messageList();
    profile.ScriptType = ScriptTypes::JavaScript;
    ASSERT_TRUE(generate()) << messageList();
    EXPECT_EQ(testsupport::readFile(program.databasePath()), database);
    EXPECT_TRUE(fs::exists(program.indexDataPath()));
}

// A run killed midway leaves its half-written pages in a file beside the index: make publishes the index
// as the run before left it, whole.
TEST_F(SearchFileGeneratorTest, ADatabaseLeftHalfWrittenByAKilledRunIsPublishedWhole) {
    profile.ScriptType = ScriptTypes::Asp;
    testsupport::RecordingMessages runMessages;
    const auto addPages = [](IndexDatabase& database, int count, const std::string& text) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(database.AddRecord(i, "page" + std::to_string(i) + ".htm", "T", text, "", "", ""));
    };
    IndexDatabase previous(program.databasePath(), runMessages);
    ASSERT_TRUE(previous.ConnectDatabase(EngineRegistry::ForScriptType(ScriptTypes::Asp).runStores(), 0) &&
                previous.DeleteAllRecords());
    addPages(previous, 10, "previous");
    ASSERT_TRUE(previous.CloseDatabase(0));
    const std::string committed = testsupport::readFile(program.databasePath());

    testsupport::TempDir killed;
    {
        IndexDatabase run(program.databasePath(), runMessages);
        ASSERT_TRUE(run.ConnectDatabase(EngineRegistry::ForScriptType(ScriptTypes::Asp).runStores(), 0) &&
                    run.DeleteAllRecords());
        // More than SQLite's page cache holds, so pages reach the file before the commit.
        addPages(run, 1500, std::string(4000, 'n'));
        for (const char* name : {"IndexData.mdb", "IndexData.mdb.new"})
            fs::copy_file(program.path() / name, killed.path() / name);
    }
    for (const char* name : {"IndexData.mdb", "IndexData.mdb.new"})
        fs::copy_file(killed.path() / name, program.path() / name, fs::copy_options::overwrite_existing);
    ASSERT_GT(fs::file_size(program.str("IndexData.mdb.new")), committed.size())
        << "no page reached the file";

    ASSERT_TRUE(generate()) << messageList();
    const std::string published = output.str("IndexData.mdb");
    EXPECT_EQ(testsupport::queryRows(published, "PRAGMA integrity_check"),
              std::vector<testsupport::DbRow>{{"ok"}});
    EXPECT_EQ(testsupport::queryRows(published, "SELECT count(*) FROM IndexData WHERE Text = 'previous'"),
              std::vector<testsupport::DbRow>{{"10"}});
    EXPECT_EQ(testsupport::queryRows(published, "SELECT count(*) FROM IndexData"),
              std::vector<testsupport::DbRow>{{"10"}});
}

// While a run of any process holds the index, make refuses and writes nothing: a run holds the lock, and
// a run of a version without it holds the database's write lock.
TEST_F(SearchFileGeneratorTest, MakeIsRefusedWhileARunHoldsTheIndex) {
    profile.ScriptType = ScriptTypes::Asp;
    {
        FileLock run(paths.runLockPath());
        ASSERT_TRUE(run.tryLock());
        expectRefusal(kStillIndexing);
    }
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open_v2(program.databasePath().c_str(), &writer, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; DELETE FROM IndexData;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    expectRefusal(kStillIndexing);
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_TRUE(generate()) << messageList();
}

} // namespace
