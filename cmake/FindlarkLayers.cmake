# The sources are layered by folder, bottom to top:
#
#   platform <- app <- index <- store <- engines, walker, crawler;   engines <- publish
#   engines, walker, crawler <- run;   run, publish <- batch, ui <- program
#
# Each folder is one static library linking only the folders below it. Its include root holds nothing
# but a link named after the folder, so "index/PageFile.h" resolves only in folders that link the
# index library, and an include that points upward fails to build.

set(FINDLARK_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include)

# The include root of one folder: <build>/include/<folder>/<folder> -> <source>/<folder>.
function(findlark_include_root folder out)
    set(root ${FINDLARK_INCLUDE_ROOTS}/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    set(${out} ${root} PARENT_SCOPE)
endfunction()

# findlark_library(<folder> [SUBFOLDERS] [LINKS <libraries below it and external ones>...])
# Makes the library findlark_<folder> from the folder's sources; with SUBFOLDERS, from those of its
# subfolders too (one room each, as the search engines have).
function(findlark_library folder)
    cmake_parse_arguments(arg "SUBFOLDERS" "" "LINKS" ${ARGN})
    set(target findlark_${folder})
    findlark_include_root(${folder} root)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    if(arg_SUBFOLDERS)
        file(GLOB subfolder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*/*.cpp
            ${CMAKE_SOURCE_DIR}/${folder}/*/*.h)
        list(APPEND sources ${subfolder_sources})
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${arg_LINKS})
    findlark_warnings(${target})
endfunction()
