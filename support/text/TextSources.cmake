# findlark_text_source(<template> <output>)
# The build step that writes the character tables of text/characters.txt into a source (each
# @text:NAME@ of <template>, spelled in the language of <output>: .js, .php or .h), so that the
# indexer and every search engine decode, fold and split text alike. findlark_maketext does it.
include_guard(GLOBAL)

add_executable(findlark_maketext ${CMAKE_CURRENT_LIST_DIR}/MakeTextSource.cpp)
set_target_properties(findlark_maketext PROPERTIES CXX_STANDARD 20)
findlark_warnings(findlark_maketext)

function(findlark_text_source template output)
    set(characters ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/characters.txt)
    get_filename_component(name ${output} NAME)
    get_filename_component(folder ${output} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    add_custom_command(OUTPUT ${output}
        COMMAND findlark_maketext ${characters} ${template} ${output}
        DEPENDS findlark_maketext ${characters} ${template}
        COMMENT "Writing the character tables into ${name}"
        VERBATIM)
endfunction()
