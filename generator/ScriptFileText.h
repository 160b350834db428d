#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ProfileSettings;

// The text of the generated script file (searchfunc.js, or search.asp up to its server-side code).
// Every line break written is CR LF, so the files are the same bytes on every platform.
namespace ScriptFileText {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kContentMarker = "<%CONTENT%>";

// result.html cut at the content marker, each line made fit for a double-quoted script string.
struct ResultPageHalves {
    std::string first;
    std::string second;
};

// The comment that names the maker, placed directly before the search results (JavaScript variant).
std::string GeneratorComment();

// Splits the lines of result.html at the first content marker; with `withComment` the generator
// comment ends the first half.
ResultPageHalves SplitResultPage(const std::vector<std::string>& lines, bool withComment);

// The translation block, ending with its empty line.
std::string TranslationBlock();

// The options block, ending with its empty line. Writes the profile's values as they are.
std::string OptionsBlock(const ProfileSettings& profile);

// The line that decodes and runs the search functions of SearchFunc.dat, and its empty line.
std::string SearchFunctionsLine(const std::vector<std::string>& searchFuncLines);

// Everything the script file holds before the server-side code of the ASP variant.
std::string ScriptText(bool asp, const ProfileSettings& profile, const std::vector<std::string>& resultLines,
                       const std::vector<std::string>& searchFuncLines);

} // namespace ScriptFileText
