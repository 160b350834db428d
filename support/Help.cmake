# The user's guide, opened by Help > Contents: support/Help copied to the program folder's Help folder.
# Included by support/CMakeLists.txt, in its scope.
file(GLOB_RECURSE help_files CONFIGURE_DEPENDS LIST_DIRECTORIES false
    RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/Help ${CMAKE_CURRENT_SOURCE_DIR}/Help/*)
set(help_sources)
set(help_outputs)
foreach(file ${help_files})
    list(APPEND help_sources ${CMAKE_CURRENT_SOURCE_DIR}/Help/${file})
    list(APPEND help_outputs ${FINDLARK_PROGRAM_DIR}/Help/${file})
endforeach()
add_custom_command(OUTPUT ${help_outputs}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/Help ${FINDLARK_PROGRAM_DIR}/Help
    DEPENDS ${help_sources}
    COMMENT "Copying the help pages")
list(APPEND FINDLARK_SUPPORT_OUTPUTS ${help_outputs})
install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/Help DESTINATION ${FINDLARK_INSTALL_DIR})
