# The client-side search functions (SearchFunc.dat).
# Included by support/CMakeLists.txt, in its scope; the paths here are this folder's.

# SearchFunc.dat is the readable source in searchfunc/, joined in file-name
# order (the numbers in the names fix it) and percent-escaped. A source
# named *.js.in is a template: the character tables (support/text/characters.txt,
# shared with the indexer and the PHP variant) and the ranking constants
# (support/ranking/constants.txt, shared with the PHP variant) are written into
# it first.
add_executable(findlark_escapescript ${CMAKE_CURRENT_LIST_DIR}/tools/EscapeScript.cpp)
set_target_properties(findlark_escapescript PROPERTIES CXX_STANDARD 17)
findlark_warnings(findlark_escapescript)

include(${CMAKE_SOURCE_DIR}/support/ranking/RankSources.cmake)
findlark_rank_sources(${CMAKE_CURRENT_LIST_DIR}/searchfunc js searchfunc_sources)
add_custom_command(OUTPUT ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat
    COMMAND findlark_escapescript ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat ${searchfunc_sources}
    DEPENDS findlark_escapescript ${searchfunc_sources}
    COMMENT "Encoding the search functions")
list(APPEND FINDLARK_SUPPORT_OUTPUTS ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat)
install(FILES ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat DESTINATION ${FINDLARK_INSTALL_DIR})

