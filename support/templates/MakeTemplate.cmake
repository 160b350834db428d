# Writes one built-in template: a look's pages for one search engine.
#   cmake -DLOOK=<looks/Name> -DENGINE=<engines/name/template> -DOUT=<template folder> -P MakeTemplate.cmake
# In a look's pages, @action@ and @field@ stand for the engine's form (its
# form.cmake); a line holding only @name@ takes name.part, from the look's own
# folder for this engine if it has one, else from the engine's folder, else
# nothing. Files in the look's folder for the engine go only into that copy.
include(${ENGINE}/form.cmake)
get_filename_component(engine ${ENGINE} DIRECTORY)
get_filename_component(engine ${engine} NAME)

function(read_part name result)
    set(text "")
    if(EXISTS ${LOOK}/${engine}/${name}.part)
        file(READ ${LOOK}/${engine}/${name}.part text)
    elseif(EXISTS ${ENGINE}/${name}.part)
        file(READ ${ENGINE}/${name}.part text)
    endif()
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

file(GLOB pages LIST_DIRECTORIES false ${LOOK}/*)
file(GLOB own_pages LIST_DIRECTORIES false ${LOOK}/${engine}/*)
list(FILTER own_pages EXCLUDE REGEX "\\.part$")
file(MAKE_DIRECTORY ${OUT})
foreach(page ${pages} ${own_pages})
    file(READ ${page} text)
    string(REPLACE "@action@" "${template_action}" text "${text}")
    string(REPLACE "@field@" "${template_field}" text "${text}")
    string(REGEX MATCHALL "\n@[a-z-]+@\n" slots "${text}")
    foreach(slot ${slots})
        string(REGEX REPLACE "^\n@([a-z-]+)@\n$" "\\1" name "${slot}")
        read_part(${name} part)
        string(REPLACE "${slot}" "\n${part}" text "${text}")
    endforeach()
    get_filename_component(file ${page} NAME)
    # A misspelt marker would otherwise ship as page text.
    if(text MATCHES "@[a-z-]+@")
        message(FATAL_ERROR "${page}: unknown marker ${CMAKE_MATCH_0}")
    endif()
    file(WRITE ${OUT}/${file} "${text}")
endforeach()
