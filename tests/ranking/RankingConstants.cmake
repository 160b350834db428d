# A ranking constant changed in the one constants file reaches both engines: SearchFunc.dat and
# SearchFuncPHP.dat are made again from a copy with another title weight, the way the build makes
# them, and both must carry it. A copy that lacks a constant must stop the generator.
# -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -DESCAPESCRIPT=<findlark_escapescript>
# -DFOLD_TABLE=<the built fold-table.php> -DMAKETEXT=<findlark_maketext>
set(support ${SOURCE_DIR}/support)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

file(READ ${support}/ranking/constants.txt constants)
string(REPLACE "\nTITLE_WEIGHT=1.5\n" "\nTITLE_WEIGHT=1.75\n" changed "${constants}")
if(changed STREQUAL constants)
    message(FATAL_ERROR "constants.txt has no line TITLE_WEIGHT=1.5 to change")
endif()
file(WRITE ${WORK_DIR}/constants.txt "${changed}")

set(CONSTANTS ${WORK_DIR}/constants.txt)
set(CHARACTERS ${support}/text/characters.txt)
include(${CMAKE_CURRENT_LIST_DIR}/EngineSources.cmake)
engine_sources(searchfunc js js_sources)
execute_process(COMMAND ${ESCAPESCRIPT} ${WORK_DIR}/SearchFunc.dat ${js_sources} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "SearchFunc.dat was not made")
endif()
file(READ ${WORK_DIR}/SearchFunc.dat js)
string(REPLACE "\r\n" "" js "${js}")
string(FIND "${js}" "WEIGHTS%5BF.TITLE%5D%20%3D%201.75%3B" at)
if(at EQUAL -1)
    message(FATAL_ERROR "SearchFunc.dat does not weigh the title 1.75")
endif()

engine_sources(searchphp php php_sources)
string(REPLACE ";" "|" php_list "${FOLD_TABLE};${php_sources}")
execute_process(COMMAND ${CMAKE_COMMAND} -DOUTPUT=${WORK_DIR}/SearchFuncPHP.dat "-DINPUTS=${php_list}"
    -P ${SOURCE_DIR}/engines/php/searchphp/JoinPhp.cmake RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "SearchFuncPHP.dat was not made")
endif()
file(READ ${WORK_DIR}/SearchFuncPHP.dat php)
string(FIND "${php}" "const FL_RANK_WEIGHTS = array('Title' => 1.75, " at)
if(at EQUAL -1)
    message(FATAL_ERROR "SearchFuncPHP.dat does not weigh the title 1.75")
endif()

string(REPLACE "\nTITLE_WEIGHT=1.75\n" "\n" lacking "${changed}")
file(WRITE ${WORK_DIR}/lacking.txt "${lacking}")
execute_process(COMMAND ${CMAKE_COMMAND} -DCONSTANTS=${WORK_DIR}/lacking.txt
    -DINPUT=${SOURCE_DIR}/engines/php/searchphp/25-rank.php.in -DOUTPUT=${WORK_DIR}/lacking.php
    -P ${support}/ranking/MakeRankSource.cmake RESULT_VARIABLE failed ERROR_VARIABLE said)
if(NOT failed OR NOT said MATCHES "@TITLE_WEIGHT@" OR EXISTS ${WORK_DIR}/lacking.php)
    message(FATAL_ERROR "a missing constant went unnoticed: ${said}")
endif()
