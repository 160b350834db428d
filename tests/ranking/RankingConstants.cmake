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
build_engines(js php)
string(FIND "${js}" "WEIGHTS%5BF.TITLE%5D%20%3D%201.75%3B" at)
if(at EQUAL -1)
    message(FATAL_ERROR "SearchFunc.dat does not weigh the title 1.75")
endif()
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
