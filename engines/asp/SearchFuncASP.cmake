# The server-side search code (SearchFuncASP.dat) that the generator appends
# to search.asp: the readable sources in searchasp/, joined in file-name order
# into one server script block. Included by support/CMakeLists.txt, in its scope.
file(GLOB searchasp_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/searchasp/*.js)
list(SORT searchasp_sources)
string(REPLACE ";" "|" searchasp_list "${searchasp_sources}")
add_custom_command(OUTPUT ${FINDLARK_PROGRAM_DIR}/SearchFuncASP.dat
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${FINDLARK_PROGRAM_DIR}/SearchFuncASP.dat "-DINPUTS=${searchasp_list}"
        -P ${CMAKE_CURRENT_LIST_DIR}/searchasp/JoinScript.cmake
    DEPENDS ${searchasp_sources} ${CMAKE_CURRENT_LIST_DIR}/searchasp/JoinScript.cmake
    COMMENT "Joining the server-side search code"
    VERBATIM)
list(APPEND FINDLARK_SUPPORT_OUTPUTS ${FINDLARK_PROGRAM_DIR}/SearchFuncASP.dat)
install(FILES ${FINDLARK_PROGRAM_DIR}/SearchFuncASP.dat DESTINATION ${FINDLARK_INSTALL_DIR})
