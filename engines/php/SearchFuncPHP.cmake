# The server-side search code of the PHP variant (SearchFuncPHP.dat), appended to search.php: the
# folding table made by findlark_foldtable, then the readable sources in searchphp/ in file-name order;
# a source named *.php.in gets the character tables of support/text/characters.txt and the ranking
# constants of support/ranking/constants.txt written in first, as the JavaScript variant's do, so that both engines read text
# alike and rank with the same numbers.
# Included by support/CMakeLists.txt, in its scope.
add_executable(findlark_foldtable ${CMAKE_CURRENT_LIST_DIR}/tools/MakeFoldTable.cpp)
target_link_libraries(findlark_foldtable PRIVATE findlark_store)
set(fold_table ${CMAKE_CURRENT_BINARY_DIR}/fold-table.php)
add_custom_command(OUTPUT ${fold_table}
    COMMAND findlark_foldtable ${fold_table}
    DEPENDS findlark_foldtable
    COMMENT "Writing the PHP folding table")

include(${CMAKE_SOURCE_DIR}/support/ranking/RankSources.cmake)
findlark_rank_sources(${CMAKE_CURRENT_LIST_DIR}/searchphp php searchphp_sources)
string(REPLACE ";" "|" searchphp_list "${fold_table};${searchphp_sources}")
add_custom_command(OUTPUT ${FINDLARK_PROGRAM_DIR}/SearchFuncPHP.dat
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${FINDLARK_PROGRAM_DIR}/SearchFuncPHP.dat "-DINPUTS=${searchphp_list}"
        -P ${CMAKE_CURRENT_LIST_DIR}/searchphp/JoinPhp.cmake
    DEPENDS ${fold_table} ${searchphp_sources} ${CMAKE_CURRENT_LIST_DIR}/searchphp/JoinPhp.cmake
    COMMENT "Joining the PHP search code"
    VERBATIM)
list(APPEND FINDLARK_SUPPORT_OUTPUTS ${FINDLARK_PROGRAM_DIR}/SearchFuncPHP.dat)
install(FILES ${FINDLARK_PROGRAM_DIR}/SearchFuncPHP.dat DESTINATION ${FINDLARK_INSTALL_DIR})
