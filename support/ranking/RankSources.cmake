# findlark_rank_sources(<folder> <extension> <result>)
# The readable sources of one engine in the folder <folder> (a full path; *.<extension> and the templates
# *.<extension>.in), in
# file-name order, each template replaced by the build step that writes the ranking constants of
# ranking/constants.txt into it, so that every engine ranks with the same numbers (and, first, the
# character tables of text/characters.txt, so that every engine reads text alike).
set(ranking_constants ${CMAKE_CURRENT_LIST_DIR}/constants.txt)
set(make_rank_source ${CMAKE_CURRENT_LIST_DIR}/MakeRankSource.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../text/TextSources.cmake)

function(findlark_rank_sources folder extension result)
    file(GLOB files CONFIGURE_DEPENDS ${folder}/*.${extension} ${folder}/*.${extension}.in)
    get_filename_component(folder ${folder} NAME)
    list(SORT files)
    set(sources)
    foreach(file ${files})
        if(file MATCHES "\\.in$")
            get_filename_component(name ${file} NAME)
            string(REGEX REPLACE "\\.in$" "" name ${name})
            set(made ${CMAKE_CURRENT_BINARY_DIR}/${folder}/${name})
            set(with_text ${CMAKE_CURRENT_BINARY_DIR}/${folder}/text/${name})
            findlark_text_source(${file} ${with_text})
            add_custom_command(OUTPUT ${made}
                COMMAND ${CMAKE_COMMAND} -DCONSTANTS=${ranking_constants} -DINPUT=${with_text} -DOUTPUT=${made}
                    -P ${make_rank_source}
                DEPENDS ${with_text} ${ranking_constants} ${make_rank_source}
                COMMENT "Writing the ranking constants into ${name}"
                VERBATIM)
            set(file ${made})
        endif()
        list(APPEND sources ${file})
    endforeach()
    set(${result} ${sources} PARENT_SCOPE)
endfunction()
