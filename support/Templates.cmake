# The built-in templates. Included by support/CMakeLists.txt, in its scope.
#
# Each ships as a whole folder (users copy and edit them, profiles store their
# names), but is written from one look in templates/looks and the search
# engine's form (engines/<engine>/template, whose form.cmake also lists the
# looks made for that engine), so a change to a look is made once.
# Built into the Template folder beside the program. It is written over, never
# cleared: the program adds the user's own templates to the same folder.
set(template_root ${CMAKE_CURRENT_SOURCE_DIR}/templates)
file(GLOB engine_forms CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/engines/*/template/form.cmake)
file(GLOB_RECURSE template_sources CONFIGURE_DEPENDS LIST_DIRECTORIES false ${template_root}/*
    ${CMAKE_SOURCE_DIR}/engines/*/template/*)

# Look and engine of each built-in template; the engine's suffix names it.
set(builtin_templates)
foreach(form ${engine_forms})
    get_filename_component(engine_template ${form} DIRECTORY)
    include(${form})
    foreach(look ${template_looks})
        list(APPEND builtin_templates ${look}:${engine_template})
    endforeach()
endforeach()

foreach(builtin ${builtin_templates})
    string(REPLACE ":" ";" builtin ${builtin})
    list(GET builtin 0 look)
    list(GET builtin 1 engine_template)
    get_filename_component(engine ${engine_template} DIRECTORY)
    get_filename_component(engine ${engine} NAME)
    include(${engine_template}/form.cmake)
    set(name ${look}${template_suffix})
    file(GLOB pages LIST_DIRECTORIES false RELATIVE ${template_root}/looks/${look}
        ${template_root}/looks/${look}/* ${template_root}/looks/${look}/${engine}/*)
    list(FILTER pages EXCLUDE REGEX "\\.part$")
    set(outputs)
    foreach(page ${pages})
        get_filename_component(file ${page} NAME)
        list(APPEND outputs ${FINDLARK_PROGRAM_DIR}/Template/${name}/${file})
    endforeach()
    add_custom_command(OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -DLOOK=${template_root}/looks/${look}
            -DENGINE=${engine_template} -DOUT=${FINDLARK_PROGRAM_DIR}/Template/${name}
            -P ${template_root}/MakeTemplate.cmake
        DEPENDS ${template_sources}
        COMMENT "Writing the built-in template ${name}")
    list(APPEND FINDLARK_SUPPORT_OUTPUTS ${outputs})
    install(FILES ${outputs} DESTINATION ${FINDLARK_INSTALL_DIR}/Template/${name})
endforeach()
