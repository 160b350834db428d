# Joins the PHP sources of the search page into SearchFuncPHP.dat: each file without its opening
# "<?php" line (search.php opens PHP once, before the settings), in the order given.
# -DOUTPUT=<file> -DINPUTS=<file>|<file>|...
string(REPLACE "|" ";" inputs "${INPUTS}")
set(joined "")
foreach(input ${inputs})
    file(READ ${input} text)
    string(REGEX REPLACE "^<\\?php\r?\n" "" text "${text}")
    string(APPEND joined "${text}")
endforeach()
file(WRITE ${OUTPUT}.tmp "${joined}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
