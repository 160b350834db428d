#pragma once

#include <string>
#include <vector>

#include "store/IndexStores.h"

struct AppPaths;
struct ProfileSettings;

// What Run Search File opens once the search files are written.
enum class RunPage {
    OutputFile,    // a page of the output folder, opened from the disk
    ServerAddress, // the address a web server publishes the output folder at, asked of the user
    LocalPreview,  // the output folder served on the program's local preview server
};

// One kind of search engine the program can make: what an indexing run writes for it, what its
// publishing needs, writes and removes, and how its search page is opened. The registry holds one of
// each, keyed by the number profiles store for it.
class SearchEngine {
public:
    virtual ~SearchEngine() = default;

    // The number the profile's ScriptType setting holds for this engine.
    virtual int scriptType() const = 0;
    // Its name in messages and on the Script page ("JavaScript", "ASP", "PHP").
    virtual std::string label() const = 0;
    // Its name in identifiers: the Script page's button is "script" + key.
    virtual std::string key() const = 0;

    // What an indexing run writes for it.
    virtual IndexStores runStores() const = 0;
    bool usesDatabase() const { return runStores().database; }
    // True when its page can read the index from a MariaDB or MySQL server (the Script page's "My SQL"),
    // and when the profile's runs put the index there as well (DatabaseType 2).
    virtual bool offersServerDatabase() const { return false; }
    virtual bool usesServerDatabase(const ProfileSettings& /*profile*/) const { return false; }
    // True when the data folder holds a finished index this engine can publish.
    virtual bool indexReady(const AppPaths& paths) const = 0;

    // The built-in templates made for it. A built-in template of another engine names that engine's page
    // in its form, so publishing refuses it.
    virtual std::vector<std::string> builtInTemplates() const = 0;
    // The support files of the program folder that its publishing reads; a missing one means a damaged
    // installation.
    virtual std::vector<std::string> supportFiles() const = 0;
    // The script file it writes into the output folder, and the name the index is copied to there.
    virtual std::string scriptFileName() const = 0;
    virtual std::string indexFileName() const = 0;
    // True when the template's frame pages (FrameSearch.html, result.html) stay in the output folder.
    virtual bool keepsFramePages(const ProfileSettings& /*profile*/) const { return false; }
    // The whole script file: the profile's options, the halves of the template's result page and the
    // engine's search code, read from its support files in `programFolder` (ending in "/"). False, with
    // the profile untouched, when a support file could not be read.
    virtual bool scriptText(ProfileSettings& profile, const std::vector<std::string>& resultLines,
                            const std::string& programFolder, std::string& text) const = 0;

    // How Run Search File opens its page, and which page of the output folder that is.
    virtual RunPage runPage() const = 0;
    virtual std::string searchPage(const ProfileSettings& /*profile*/) const { return "search.html"; }
};
