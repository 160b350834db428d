# A named reference added to the one characters file reaches every engine and the indexer:
# SearchFunc.dat, SearchFuncPHP.dat and the search text's header are made again from a copy that names
# one more character, the way the build makes them, and each must carry it; the header must still
# compile and give the name its character. A copy that names a character twice must stop the generator.
# -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -DESCAPESCRIPT=<findlark_escapescript>
# -DMAKETEXT=<findlark_maketext> -DFOLD_TABLE=<the built fold-table.php> -DCXX=<C++ compiler>
set(support ${SOURCE_DIR}/support)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

file(READ ${support}/text/characters.txt characters)
string(REPLACE " diams=9830\n" " diams=9830 starf=9733\n" changed "${characters}")
if(changed STREQUAL characters)
    message(FATAL_ERROR "characters.txt has no diams=9830 to add a name after")
endif()
file(WRITE ${WORK_DIR}/characters.txt "${changed}")

set(CONSTANTS ${support}/ranking/constants.txt)
set(CHARACTERS ${WORK_DIR}/characters.txt)
include(${CMAKE_CURRENT_LIST_DIR}/../ranking/EngineSources.cmake)

build_engines(js php)
string(FIND "${js}" "diams%3A%209830%2C%20starf%3A%209733" at)
if(at EQUAL -1)
    message(FATAL_ERROR "SearchFunc.dat does not know &starf;")
endif()
string(FIND "${php}" "'diams' => 9830, 'starf' => 9733" at)
if(at EQUAL -1)
    message(FATAL_ERROR "SearchFuncPHP.dat does not know &starf;")
endif()

# The store's header, compiled into a program that looks the name up as the search text does.
set(header ${WORK_DIR}/made/store/SearchCharacters.h)
file(MAKE_DIRECTORY ${WORK_DIR}/made/store)
execute_process(COMMAND ${MAKETEXT} ${CHARACTERS} ${support}/text/SearchCharacters.h.in ${header}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "the search text's header was not made")
endif()
file(WRITE ${WORK_DIR}/lookup.cpp [=[
#include "store/SearchCharacters.h"
#include <cstdio>
#include <cstring>
int main() {
    for (const auto& named : SearchText::Characters::kNamedReferences) {
        if (std::strcmp(named.name, "starf") == 0)
            std::printf("%X", static_cast<unsigned>(named.code));
    }
}
]=])
execute_process(COMMAND ${CXX} -std=c++20 -I${WORK_DIR}/made -o ${WORK_DIR}/lookup ${WORK_DIR}/lookup.cpp
    RESULT_VARIABLE failed ERROR_VARIABLE said)
if(failed)
    message(FATAL_ERROR "the search text's header does not compile: ${said}")
endif()
execute_process(COMMAND ${WORK_DIR}/lookup OUTPUT_VARIABLE code)
if(NOT code STREQUAL "2605")
    message(FATAL_ERROR "the search text reads &starf; as '${code}', not U+2605")
endif()

string(REPLACE " starf=9733\n" " starf=9733 amp=38\n" twice "${changed}")
file(WRITE ${WORK_DIR}/twice.txt "${twice}")
execute_process(COMMAND ${MAKETEXT} ${WORK_DIR}/twice.txt ${SOURCE_DIR}/engines/php/searchphp/10-text.php.in
    ${WORK_DIR}/twice.php RESULT_VARIABLE failed ERROR_VARIABLE said)
if(NOT failed OR NOT said MATCHES "amp is given twice" OR EXISTS ${WORK_DIR}/twice.php)
    message(FATAL_ERROR "a name given twice went unnoticed: ${said}")
endif()
