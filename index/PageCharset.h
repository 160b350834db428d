#pragma once

#include <string>
#include <string_view>

// The character set of a page, as a browser finds it: a byte order mark, else the charset of the HTTP
// Content-Type (empty for a file), else a <meta charset> or http-equiv Content-Type in the first 1024
// bytes, else UTF-8 when the bytes are well-formed UTF-8, else fallback. Names a page declares but no
// converter knows are passed over. The result is a name the converter knows, web labels mapped as
// browsers map them ("iso-8859-1" is read as windows-1252, "gb2312" as GBK).
std::string PageCharset(std::string_view bytes, std::string_view contentType, std::string_view fallback);

// Rewrites a page's bytes as UTF-8 in the character set PageCharset finds, so that every index record
// holds UTF-8 whatever the page was written in. A UTF-8 page keeps its bytes exactly.
void PageToUtf8(std::string& bytes, std::string_view contentType, std::string_view fallback);
