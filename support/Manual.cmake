# The manual page findlark(1), installed gzipped to share/man/man1. It does not go into the program
# folder; the version in its header comes from the project. Included by support/CMakeLists.txt, in its
# scope.
find_program(FINDLARK_GZIP gzip REQUIRED)
set(manual_page ${CMAKE_CURRENT_BINARY_DIR}/man/findlark.1)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/findlark.1 ${manual_page} @ONLY)
# -n leaves the name and time out of the archive, so the same page always gives the same bytes.
add_custom_command(OUTPUT ${manual_page}.gz
    COMMAND ${FINDLARK_GZIP} -9 -n -f -k ${manual_page}
    DEPENDS ${manual_page}
    COMMENT "Compressing the manual page")
list(APPEND FINDLARK_SUPPORT_OUTPUTS ${manual_page}.gz)
install(FILES ${manual_page}.gz DESTINATION share/man/man1)
