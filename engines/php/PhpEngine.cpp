#include "app/AppPaths.h"
#include "app/Settings.h"
#include "engines/ScriptFileText.h"
#include "engines/SearchEngine.h"
#include "platform/TextFile.h"
#include "store/IndexDatabase.h"

namespace {

constexpr int kMySqlDatabase = 2;

// The server-side engine of a PHP web server: search.php, which carries its own search code and reads the
// index database copied beside it through its word index.
class PhpEngine final : public SearchEngine {
public:
    int scriptType() const override { return 2; }
    std::string label() const override { return "PHP"; }
    std::string key() const override { return "Php"; }

    IndexStores runStores() const override { return {.database = true, .wordIndex = true}; }
    // Many web servers may share one MariaDB or MySQL server, or its replicas.
    bool offersServerDatabase() const override { return true; }
    bool usesServerDatabase(const ProfileSettings& profile) const override {
        return profile.DatabaseType == kMySqlDatabase;
    }
    // A database of an older version holds the rows alone, which the page could only search by reading
    // every one of them.
    bool indexReady(const AppPaths& paths) const override {
        return IndexDatabase::HasWordIndex(paths.databasePath);
    }

    std::vector<std::string> builtInTemplates() const override { return {"Simple-PHP", "Advanced-PHP"}; }
    std::vector<std::string> supportFiles() const override { return {"SearchFuncPHP.dat"}; }
    std::string scriptFileName() const override { return "search.php"; }
    std::string indexFileName() const override { return "IndexData.mdb"; }

    bool scriptText(ProfileSettings& profile, const std::vector<std::string>& resultLines,
                    const std::string& programFolder, std::string& text) const override {
        std::vector<std::string> code;
        if (!TextFile::readLines(programFolder + "SearchFuncPHP.dat", code))
            return false;
        profile.NoNewSearchLink = 1; // a server-side page has no "New Search" link
        text = ScriptFileText::PhpScriptText(profile, resultLines, code);
        return true;
    }

    RunPage runPage() const override { return RunPage::LocalPreview; }
};

} // namespace

const SearchEngine& PhpSearchEngine() {
    static const PhpEngine engine;
    return engine;
}
