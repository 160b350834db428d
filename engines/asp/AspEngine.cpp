#include "app/AppPaths.h"
#include "app/Settings.h"
#include "engines/ScriptFileText.h"
#include "engines/SearchEngine.h"
#include "platform/TextFile.h"
#include "store/IndexDatabase.h"

namespace {

// The server-side engine of an ASP web server: search.asp, the browser's search functions run on the
// server, followed by the code that answers from the word index of the database copied beside it.
class AspEngine final : public SearchEngine {
public:
    int scriptType() const override { return 1; }
    std::string label() const override { return "ASP"; }
    std::string key() const override { return "Asp"; }

    IndexStores runStores() const override { return {.database = true, .wordIndex = true}; }
    // A database of an older version holds the rows alone, which the page could only search by reading
    // every one of them.
    bool indexReady(const AppPaths& paths) const override {
        return IndexDatabase::HasWordIndex(paths.databasePath);
    }

    std::vector<std::string> builtInTemplates() const override { return {"Simple-ASP", "Advanced-ASP"}; }
    std::vector<std::string> supportFiles() const override { return {"SearchFunc.dat", "SearchFuncASP.dat"}; }
    std::string scriptFileName() const override { return "search.asp"; }
    std::string indexFileName() const override { return "IndexData.mdb"; }

    bool scriptText(ProfileSettings& profile, const std::vector<std::string>& resultLines,
                    const std::string& programFolder, std::string& text) const override {
        std::vector<std::string> functions;
        std::vector<std::string> serverCode;
        if (!TextFile::readLines(programFolder + "SearchFunc.dat", functions) ||
            !TextFile::readLines(programFolder + "SearchFuncASP.dat", serverCode))
            return false;
        profile.NoNewSearchLink = 1; // a server-side page has no "New Search" link
        text = ScriptFileText::ScriptText(true, profile, resultLines, functions);
        for (const std::string& line : serverCode) {
            text += line;
            text += ScriptFileText::kLineEnd;
        }
        return true;
    }

    RunPage runPage() const override { return RunPage::ServerAddress; }
};

} // namespace

const SearchEngine& AspSearchEngine() {
    static const AspEngine engine;
    return engine;
}
