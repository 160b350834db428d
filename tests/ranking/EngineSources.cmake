# engine_sources(<folder> <extension> <out>)
# The sources of one engine (its folder <folder> in engines/<engine>/) in file-name order, made as the build makes them: each
# template gets the character tables of CHARACTERS (run by MAKETEXT), then the ranking constants of
# CONSTANTS, into WORK_DIR/<folder>. Included by the tests that build the engines from changed copies.
function(engine_sources folder extension out)
    set(support ${SOURCE_DIR}/support)
    file(GLOB files ${SOURCE_DIR}/engines/*/${folder}/*.${extension} ${SOURCE_DIR}/engines/*/${folder}/*.${extension}.in)
    list(SORT files)
    set(sources)
    foreach(file ${files})
        if(file MATCHES "\\.in$")
            get_filename_component(name ${file} NAME)
            string(REGEX REPLACE "\\.in$" "" name ${name})
            set(made ${WORK_DIR}/${folder}/${name})
            file(MAKE_DIRECTORY ${WORK_DIR}/${folder}/text)
            execute_process(COMMAND ${MAKETEXT} ${CHARACTERS} ${file} ${WORK_DIR}/${folder}/text/${name}
                RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "the character tables were not written into ${name}")
            endif()
            execute_process(COMMAND ${CMAKE_COMMAND} -DCONSTANTS=${CONSTANTS}
                -DINPUT=${WORK_DIR}/${folder}/text/${name} -DOUTPUT=${made}
                -P ${support}/ranking/MakeRankSource.cmake RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "the ranking constants were not written into ${name}")
            endif()
            set(file ${made})
        endif()
        list(APPEND sources ${file})
    endforeach()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# build_engines(<js> <php>)
# Makes SearchFunc.dat (with ESCAPESCRIPT) and SearchFuncPHP.dat (with FOLD_TABLE) in WORK_DIR from the
# engines' sources as engine_sources gives them, and returns their texts (SearchFunc.dat without its
# line breaks, so an escaped text is found whole).
function(build_engines js_out php_out)
    engine_sources(searchfunc js js_sources)
    execute_process(COMMAND ${ESCAPESCRIPT} ${WORK_DIR}/SearchFunc.dat ${js_sources} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "SearchFunc.dat was not made")
    endif()
    file(READ ${WORK_DIR}/SearchFunc.dat js)
    # file(READ) may hand the line breaks over as bare line feeds.
    string(REGEX REPLACE "\r?\n" "" js "${js}")

    engine_sources(searchphp php php_sources)
    string(REPLACE ";" "|" php_list "${FOLD_TABLE};${php_sources}")
    execute_process(COMMAND ${CMAKE_COMMAND} -DOUTPUT=${WORK_DIR}/SearchFuncPHP.dat "-DINPUTS=${php_list}"
        -P ${SOURCE_DIR}/engines/php/searchphp/JoinPhp.cmake RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "SearchFuncPHP.dat was not made")
    endif()
    file(READ ${WORK_DIR}/SearchFuncPHP.dat php)
    set(${js_out} "${js}" PARENT_SCOPE)
    set(${php_out} "${php}" PARENT_SCOPE)
endfunction()
