#include "engines/EngineRegistry.h"

#include <algorithm>

#include "app/Settings.h"
#include "engines/EngineList.h"

#define FINDLARK_DECLARE_ENGINE(name) const SearchEngine& name##SearchEngine();
FINDLARK_SEARCH_ENGINES(FINDLARK_DECLARE_ENGINE)
#undef FINDLARK_DECLARE_ENGINE

namespace EngineRegistry {

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void addOnce(std::vector<std::string>& names, const std::string& name) {
    if (!contains(names, name))
        names.push_back(name);
}

} // namespace

const std::vector<const SearchEngine*>& All() {
#define FINDLARK_ENGINE_ENTRY(name) &name##SearchEngine(),
    static const std::vector<const SearchEngine*> engines = {FINDLARK_SEARCH_ENGINES(FINDLARK_ENGINE_ENTRY)};
#undef FINDLARK_ENGINE_ENTRY
    return engines;
}

const SearchEngine& ForScriptType(int scriptType) {
    for (const SearchEngine* engine : All()) {
        if (engine->scriptType() == scriptType)
            return *engine;
    }
    return AspSearchEngine();
}

const SearchEngine& Of(const ProfileSettings& profile) {
    return ForScriptType(profile.ScriptType);
}

const SearchEngine* BuiltInTemplateOwner(const std::string& templateName) {
    for (const SearchEngine* engine : All()) {
        if (contains(engine->builtInTemplates(), templateName))
            return engine;
    }
    return nullptr;
}

std::vector<std::string> FilesOfOtherEngines(const SearchEngine& engine) {
    const std::vector<std::string> own = {engine.scriptFileName(), engine.indexFileName()};
    std::vector<std::string> names;
    for (const SearchEngine* other : All()) {
        for (const std::string& name : {other->scriptFileName(), other->indexFileName()}) {
            if (!contains(own, name))
                addOnce(names, name);
        }
    }
    return names;
}

std::vector<std::string> AllSupportFiles() {
    std::vector<std::string> names;
    for (const SearchEngine* engine : All()) {
        for (const std::string& name : engine->supportFiles())
            addOnce(names, name);
    }
    return names;
}

} // namespace EngineRegistry
