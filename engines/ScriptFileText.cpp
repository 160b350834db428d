#include "engines/ScriptFileText.h"

#include "app/ProductInfo.h"
#include "app/Settings.h"
#include "engines/ColourText.h"

namespace ScriptFileText {

namespace {

constexpr int kMySqlDatabase = 2;

// Backslash, "r", backslash, "n": a line break inside a script string.
constexpr std::string_view kScriptLineBreak = "\\r\\n";

std::string line(std::string_view text) {
    std::string result(text);
    result += kLineEnd;
    return result;
}

std::string quotesEscaped(const std::string& text, Quoting quoting) {
    std::string result;
    result.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '"' || (quoting == Quoting::Php && (c == '\\' || c == '$')))
            result += '\\';
        result += c;
    }
    return result;
}

// A font face goes into a single-quoted script string; a face holding a quote or a backslash would
// otherwise end the string early and break the whole search page. Ordinary names stay as they are.
std::string faceText(const std::string& face) {
    std::string result;
    for (const char c : face) {
        if (c == '\'' || c == '\\')
            result += '\\';
        if (c == '\r')
            result += "\\r";
        else if (c == '\n')
            result += "\\n";
        else
            result += c;
    }
    return result;
}

// The name of a variable as the script file's language spells it.
std::string variable(std::string_view prefix, std::string_view name) {
    return std::string(prefix) + std::string(name);
}

std::string behaviourLines(const ProfileSettings& p, std::string_view prefix) {
    const auto numberLine = [prefix](std::string_view name, int value, std::string_view comment) {
        return line(variable(prefix, name) + "=" + std::to_string(value) + "; " + std::string(comment));
    };
    const std::string_view output = "//0: not output,1: output";
    return numberLine("MatchingStrategy", p.MatchingStrategy,
                      "//0:Use all words,1:Use any words,2:Use exact phrase") +
           numberLine("SearchStrategy", p.SearchStrategy,
                      "//0:search all text,1:Search title,2:Search keywords,3:Search description") +
           numberLine("OutPutWindowType", p.OutputWindowType, "//0:same window,1:new window,2:use frame") +
           numberLine("OutPutResultTitle", p.OutputResultTitle, output) +
           numberLine("OutPutResultText", p.OutputResultText, output) +
           numberLine("OutPutResultUrl", p.OutputResultUrl, output) +
           numberLine("OutPutResultInfo", p.OutputResultInfo, output) +
           numberLine("NoNewSearchLink", p.NoNewSearchLink, "//0: has New Search link,1: no") +
           numberLine("NoHorizLine", p.NoHorizLine, "//0: has Horizontal lines,1: no") +
           numberLine("NoPoweredBy", p.NoPoweredBy, "//0: has Powered By info,1: no");
}

std::string lookLines(const ProfileSettings& p, std::string_view prefix) {
    const auto faceLine = [prefix](std::string_view name, const std::string& face) {
        return line(variable(prefix, name) + "='" + faceText(face) + "'; //default face: 'arial'");
    };
    const auto colourLine = [prefix](std::string_view name, int colour, std::string_view defaultColour) {
        return line(variable(prefix, name) + "='#" + ColourText(colour) + "'; //default color: '" +
                    std::string(defaultColour) + "'");
    };
    const auto sizeLine = [prefix](std::string_view name, int size, std::string_view defaultSize) {
        return line(variable(prefix, name) + "=" + std::to_string(size) + "; //default size: '" +
                    std::string(defaultSize) + "'");
    };
    return sizeLine("ResultTitleSize", p.ResultTitleSize, "3") +
           faceLine("ResultTitleFace", p.ResultTitleFace) +
           colourLine("ResultTitleColor", p.ResultTitleColor, "#0000FF") +
           sizeLine("ResultTextSize", p.ResultTextSize, "2") + faceLine("ResultTextFace", p.ResultTextFace) +
           colourLine("ResultTextColor", p.ResultTextColor, "#000000") +
           sizeLine("ResultUrlSize", p.ResultUrlSize, "2") + faceLine("ResultUrlFace", p.ResultUrlFace) +
           colourLine("ResultUrlColor", p.ResultUrlColor, "#008000") +
           sizeLine("ResultInfoSize", p.ResultInfoSize, "2") + faceLine("ResultInfoFace", p.ResultInfoFace) +
           colourLine("ResultInfoColor", p.ResultInfoColor, "#000000") +
           colourLine("HitTitleColor", p.HitTitleColor, "#CC0033") +
           colourLine("HitTextColor", p.HitTextColor, "#CC0033");
}

} // namespace

std::string GeneratorComment() {
    return std::string("<!-- Findlark (") + ProductInfo::kWebAddress +
           ") -- Add a search tool to your website. -->" + std::string(kScriptLineBreak);
}

ResultPageHalves SplitResultPage(const std::vector<std::string>& lines, bool withComment, Quoting quoting) {
    ResultPageHalves halves;
    bool markerFound = false;
    for (const std::string& raw : lines) {
        const std::string text = quotesEscaped(raw, quoting) + std::string(kScriptLineBreak);
        if (markerFound) {
            halves.second += text;
            continue;
        }
        const size_t marker = text.find(kContentMarker);
        if (marker == std::string::npos) {
            halves.first += text;
            continue;
        }
        halves.first.append(text, 0, marker);
        halves.second.append(text, marker + kContentMarker.size());
        markerFound = true;
    }
    if (withComment)
        halves.first += GeneratorComment();
    return halves;
}

std::string TranslationBlock(std::string_view prefix) {
    const auto text = [prefix](std::string_view name, std::string_view value) {
        return line(variable(prefix, name) + "=\"" + std::string(value) + "\"; //" + std::string(value));
    };
    return line("//Translate search result info into your language") + text("StrYourSearch", "Your search:") +
           text("StrNewSearch", "New Search") + text("StrCloseWindow", "Close Window") +
           text("StrFind", "Find") + text("StrItems", "items") + text("strResultPage", "Result Page") +
           text("strPrevious", "Previous") + text("strNext", "Next") + line("");
}

std::string OptionsBlock(const ProfileSettings& profile, std::string_view prefix) {
    return line("//Options for the search engine") + behaviourLines(profile, prefix) +
           lookLines(profile, prefix) + line("");
}

std::string SearchFunctionsLine(const std::vector<std::string>& searchFuncLines) {
    std::string text = "eval( unescape(\"";
    for (const std::string& part : searchFuncLines)
        text += part;
    text += "\") );";
    return line(text) + line("");
}

std::string ScriptText(bool asp, const ProfileSettings& profile, const std::vector<std::string>& resultLines,
                       const std::vector<std::string>& searchFuncLines) {
    std::string text;
    if (asp)
        text += line("<script LANGUAGE=\"JavaScript\" RUNAT=\"Server\">") + line("");
    text += TranslationBlock() + OptionsBlock(profile);
    text += asp ? line("SearchFileName=\"search.asp\"; //search file's name")
                : line("SearchFileName=\"search.html\"; //search file's name");
    text += line("");
    const ResultPageHalves halves = SplitResultPage(resultLines, !asp);
    text += line("PreSearResultHTML=\"" + halves.first + "\";");
    text += line("StepSearResultHTML=\"" + halves.second + "\";");
    if (!asp)
        text += line("document.write(\"<script LANGUAGE='JavaScript' src='webdata.js'></script>\"); ");
    text += SearchFunctionsLine(searchFuncLines);
    if (asp)
        text += line("</script>") + line("");
    return text;
}

// search.php, line by line:
//   "<?php"
//   the translation block and the options block, each variable written as "$Name=..." with the same
//   values and comments as in the other variants (each block ends with its empty line)
//   "$SearchFileName="search.php"; //search file's name", then an empty line
//   "$PreSearResultHTML="<first half>";" and "$StepSearResultHTML="<second half>";", the halves quoted
//     for PHP (backslash, "$" and the double quote escaped; each line ending in the \r\n escape)
//   an empty line, then every line of SearchFuncPHP.dat, each followed by a line break.
// PHP's "//" comments and the engines' own variable names keep the file readable beside search.asp.
std::string PhpScriptText(const ProfileSettings& profile, const std::vector<std::string>& resultLines,
                          const std::vector<std::string>& phpLines) {
    std::string text = line("<?php");
    text += TranslationBlock("$") + OptionsBlock(profile, "$");
    text += line("$SearchFileName=\"search.php\"; //search file's name");
    // The page reads the server's address and its read-only account from a file of the web server's
    // own, outside the published folder: nothing secret is ever written into the output folder.
    if (profile.DatabaseType == kMySqlDatabase)
        text += line("$DatabaseServerConfig=\"" + quotesEscaped(profile.MySqlSearchConfig, Quoting::Php) +
                     "\"; //the database server's connection");
    text += line("");
    const ResultPageHalves halves = SplitResultPage(resultLines, false, Quoting::Php);
    text += line("$PreSearResultHTML=\"" + halves.first + "\";");
    text += line("$StepSearResultHTML=\"" + halves.second + "\";");
    text += line("");
    for (const std::string& part : phpLines)
        text += line(part);
    return text;
}

} // namespace ScriptFileText
