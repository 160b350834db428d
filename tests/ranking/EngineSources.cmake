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
