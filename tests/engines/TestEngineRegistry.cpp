#include <gtest/gtest.h>

#include <set>

#include "app/Settings.h"
#include "engines/EngineRegistry.h"

// Profiles store the engine's number and the Script page names its button by the key: two engines sharing
// either would leave one of them unreachable.
TEST(EngineRegistry, EveryEngineHasItsOwnNumberKeyAndPages) {
    std::set<int> numbers;
    std::set<std::string> keys;
    std::set<std::string> templates;
    for (const SearchEngine* engine : EngineRegistry::All()) {
        EXPECT_TRUE(numbers.insert(engine->scriptType()).second) << engine->label();
        EXPECT_TRUE(keys.insert(engine->key()).second) << engine->label();
        EXPECT_EQ(&EngineRegistry::ForScriptType(engine->scriptType()), engine);
        for (const std::string& name : engine->builtInTemplates()) {
            EXPECT_TRUE(templates.insert(name).second) << name;
            EXPECT_EQ(EngineRegistry::BuiltInTemplateOwner(name), engine);
        }
    }
    // Stored profiles keep meaning what they meant.
    EXPECT_EQ(EngineRegistry::ForScriptType(ScriptTypes::JavaScript).label(), "JavaScript");
    EXPECT_EQ(EngineRegistry::ForScriptType(ScriptTypes::Asp).label(), "ASP");
    EXPECT_EQ(EngineRegistry::ForScriptType(ScriptTypes::Php).label(), "PHP");
}

TEST(EngineRegistry, NumbersNoEngineClaimsMeanTheAspEngine) {
    for (const int number : {-1, 3, 99})
        EXPECT_EQ(EngineRegistry::ForScriptType(number).label(), "ASP") << number;
    EXPECT_EQ(EngineRegistry::BuiltInTemplateOwner("My own"), nullptr);
}
