#include "app/AppPaths.h"
#include "app/Settings.h"
#include "engines/ScriptFileText.h"
#include "engines/SearchEngine.h"
#include "platform/TextFile.h"
#include "store/IndexDataFile.h"

namespace {

// The search engine that runs in the visitor's browser: searchfunc.js with the search functions, reading
// the index from webdata.js, a copy of the index data file.
class JavaScriptEngine final : public SearchEngine {
public:
    int scriptType() const override { return 0; }
    std::string label() const override { return "JavaScript"; }
    std::string key() const override { return "JavaScript"; }

    IndexStores runStores() const override { return {.dataFile = true}; }
    // A data file without its trailer (a run killed by an older version) is no index to publish.
    bool indexReady(const AppPaths& paths) const override { return IsCompleteIndexData(paths.indexDataPath); }

    std::vector<std::string> builtInTemplates() const override { return {"Simple", "Menubar", "Advanced"}; }
    std::vector<std::string> supportFiles() const override { return {"SearchFunc.dat"}; }
    std::string scriptFileName() const override { return "searchfunc.js"; }
    std::string indexFileName() const override { return "webdata.js"; }
    // The frame layout shows its results in the template's frame pages.
    bool keepsFramePages(const ProfileSettings& profile) const override {
        return profile.OutputWindowType == 2;
    }

    bool scriptText(ProfileSettings& profile, const std::vector<std::string>& resultLines,
                    const std::string& programFolder, std::string& text) const override {
        std::vector<std::string> code;
        if (!TextFile::readLines(programFolder + "SearchFunc.dat", code))
            return false;
        text = ScriptFileText::ScriptText(false, profile, resultLines, code);
        return true;
    }

    RunPage runPage() const override { return RunPage::OutputFile; }
    std::string searchPage(const ProfileSettings& profile) const override {
        return profile.OutputWindowType == 2 ? "FrameSearch.html" : "search.html";
    }
};

} // namespace

const SearchEngine& JavaScriptSearchEngine() {
    static const JavaScriptEngine engine;
    return engine;
}
