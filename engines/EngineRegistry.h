#pragma once

#include <string>
#include <vector>

#include "engines/SearchEngine.h"

struct ProfileSettings;

// The search engines by the number profiles store for them.
namespace EngineRegistry {

// Every engine, in the order the Script page offers them.
const std::vector<const SearchEngine*>& All();

// The engine of a ScriptType number. Every number no engine claims has always meant the ASP engine,
// and still does.
const SearchEngine& ForScriptType(int scriptType);
const SearchEngine& Of(const ProfileSettings& profile);

// The engine whose built-in template this is; null for a template the user made.
const SearchEngine* BuiltInTemplateOwner(const std::string& templateName);

// What the other engines write into an output folder: made there earlier, it would be a second, stale
// search engine beside this one's.
std::vector<std::string> FilesOfOtherEngines(const SearchEngine& engine);

// The support files of every engine (publishing never removes what it reads).
std::vector<std::string> AllSupportFiles();

} // namespace EngineRegistry
