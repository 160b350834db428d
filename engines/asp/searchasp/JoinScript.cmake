# cmake -DOUTPUT=file -DINPUTS=a.js|b.js -P JoinScript.cmake
#
# Joins the server-side search code into one server script block. ASP reads
# search.asp in the server's code page and ends a script block at its first
# end tag, so an input with a byte outside printable ASCII (tabs and line
# breaks aside) or with that tag stops the build rather than a site's search.
string(REPLACE "|" ";" inputs "${INPUTS}")
set(body "")
foreach(input IN LISTS inputs)
    file(READ "${input}" text)
    if(text MATCHES "[^\t\r\n -~]")
        message(FATAL_ERROR "${input}: only ASCII may go into search.asp")
    endif()
    string(TOLOWER "${text}" lower)
    if(lower MATCHES "</script")
        message(FATAL_ERROR "${input}: a script end tag would end the server script block")
    endif()
    if(NOT text MATCHES "\n$")
        string(APPEND text "\n")
    endif()
    string(APPEND body "${text}")
endforeach()
string(REPLACE "\r\n" "\n" body "${body}")
file(WRITE "${OUTPUT}.tmp" "<script LANGUAGE=\"JavaScript\" RUNAT=\"Server\">\n${body}</script>\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
