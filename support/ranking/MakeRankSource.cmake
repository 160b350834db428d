# Writes a ranking source from its template: each @NAME@ in it becomes the value NAME has in the
# ranking constants file (lines NAME=number; blank lines and lines starting with # are skipped).
# -DCONSTANTS=<file> -DINPUT=<template> -DOUTPUT=<file>
# A template naming a constant the file lacks, or a value that is not a plain number, stops the
# build: an engine with a hole in its ranking would still run, and rank wrongly.
file(STRINGS ${CONSTANTS} lines)
file(READ ${INPUT} text)
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT line MATCHES "^([A-Z][A-Z0-9_]*)=(.*)$")
        message(FATAL_ERROR "${CONSTANTS}: not NAME=number: ${line}")
    endif()
    set(name ${CMAKE_MATCH_1})
    set(value ${CMAKE_MATCH_2})
    if(NOT value MATCHES "^[0-9]+(\\.[0-9]+)?$")
        message(FATAL_ERROR "${CONSTANTS}: ${name} is not a plain number: ${value}")
    endif()
    string(REPLACE "@${name}@" "${value}" text "${text}")
endforeach()
string(REGEX MATCH "@[A-Z][A-Z0-9_]*@" missing "${text}")
if(missing)
    message(FATAL_ERROR "${INPUT} uses ${missing}, which ${CONSTANTS} does not give")
endif()
file(WRITE ${OUTPUT}.tmp "${text}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
