#pragma once

#include <string>
#include <string_view>

// Kind of a file by its lower-case extension: FileKinds::Html, Text or NotIndexed.
// A type listed in both lists counts as text; an address without extension (holding "/") as HTML.
int GetFileKind(std::string_view extension, std::string_view htmlFileTypes, std::string_view textFileTypes);

// The extension of a file name: the text after its last ".", lower case; empty when the name has no ".".
std::string FileNameExtension(std::string_view fileName);
