#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ProfileSettings;

// The text of the generated script file (searchfunc.js, search.asp up to its server-side code, or
// search.php up to its search code). Every line break written is CR LF, so the files are the same bytes
// on every platform.
namespace ScriptFileText {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kContentMarker = "<%CONTENT%>";

// How a line of result.html is made fit for a double-quoted string: the browser and ASP engines escape
// only the quote (as they always have); PHP must also escape the backslash and "$", which it would
// otherwise read as an escape or a variable.
enum class Quoting { Script, Php };

// result.html cut at the content marker, each line made fit for a double-quoted string.
struct ResultPageHalves {
    std::string first;
    std::string second;
};

// The comment that names the maker, placed directly before the search results (JavaScript variant).
std::string GeneratorComment();

// Splits the lines of result.html at the first content marker; with `withComment` the generator
// comment ends the first half.
ResultPageHalves SplitResultPage(const std::vector<std::string>& lines, bool withComment,
                                 Quoting quoting = Quoting::Script);

// The translation block, ending with its empty line. `prefix` goes before each variable name ("$" in PHP).
std::string TranslationBlock(std::string_view prefix = "");

// The options block, ending with its empty line. Writes the profile's values as they are.
std::string OptionsBlock(const ProfileSettings& profile, std::string_view prefix = "");

// The line that decodes and runs the search functions of SearchFunc.dat, and its empty line.
std::string SearchFunctionsLine(const std::vector<std::string>& searchFuncLines);

// Everything the script file holds before the server-side code of the ASP variant.
std::string ScriptText(bool asp, const ProfileSettings& profile, const std::vector<std::string>& resultLines,
                       const std::vector<std::string>& searchFuncLines);

// The whole of search.php: the settings as PHP assignments, then the PHP search code.
std::string PhpScriptText(const ProfileSettings& profile, const std::vector<std::string>& resultLines,
                          const std::vector<std::string>& phpLines);

} // namespace ScriptFileText
