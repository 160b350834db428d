# The client-side search functions (SearchFunc.dat).
# Included by support/CMakeLists.txt, in its scope.

# SearchFunc.dat is the readable source in searchfunc/, joined in file-name
# order (the numbers in the names fix it) and percent-escaped. A source
# named *.js.in is a template: the ranking constants (ranking/constants.txt,
# shared with the PHP variant) are written into it first.
add_executable(findlark_escapescript EscapeScript.cpp)
set_target_properties(findlark_escapescript PROPERTIES CXX_STANDARD 17)
findlark_warnings(findlark_escapescript)

set(ranking_constants ${CMAKE_CURRENT_SOURCE_DIR}/ranking/constants.txt)
set(make_rank_source ${CMAKE_CURRENT_SOURCE_DIR}/ranking/MakeRankSource.cmake)
file(GLOB searchfunc_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/searchfunc/*.js
    ${CMAKE_CURRENT_SOURCE_DIR}/searchfunc/*.js.in)
list(SORT searchfunc_files)
set(searchfunc_sources)
foreach(file ${searchfunc_files})
    if(file MATCHES "\\.in$")
        get_filename_component(name ${file} NAME)
        string(REGEX REPLACE "\\.in$" "" name ${name})
        set(made ${CMAKE_CURRENT_BINARY_DIR}/searchfunc/${name})
        add_custom_command(OUTPUT ${made}
            COMMAND ${CMAKE_COMMAND} -DCONSTANTS=${ranking_constants} -DINPUT=${file} -DOUTPUT=${made}
                -P ${make_rank_source}
            DEPENDS ${file} ${ranking_constants} ${make_rank_source}
            COMMENT "Writing the ranking constants into ${name}"
            VERBATIM)
        set(file ${made})
    endif()
    list(APPEND searchfunc_sources ${file})
endforeach()
add_custom_command(OUTPUT ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat
    COMMAND findlark_escapescript ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat ${searchfunc_sources}
    DEPENDS findlark_escapescript ${searchfunc_sources}
    COMMENT "Encoding the search functions")
list(APPEND FINDLARK_SUPPORT_OUTPUTS ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat)
install(FILES ${FINDLARK_PROGRAM_DIR}/SearchFunc.dat DESTINATION ${FINDLARK_INSTALL_DIR})

