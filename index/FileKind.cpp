#include "index/FileKind.h"
#include "platform/AsciiText.h"

#include "index/PageExtractor.h"

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && AsciiText::isWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && AsciiText::isWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// An empty piece (as in "htm,,html") names no type, so a name ending in "." never matches it.
bool listHas(std::string_view list, std::string_view extension) {
    bool found = false;
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view piece = trim(list.substr(0, comma));
        if (!piece.empty() && AsciiText::equalsIgnoringCase(piece, extension))
            found = true;
        if (comma == std::string_view::npos)
            return found;
        list.remove_prefix(comma + 1);
    }
}

} // namespace

int GetFileKind(std::string_view extension, std::string_view htmlFileTypes, std::string_view textFileTypes) {
    const std::string_view e = extension.substr(0, extension.find('?'));
    int kind = FileKinds::NotIndexed;
    if (listHas(htmlFileTypes, e))
        kind = FileKinds::Html;
    if (listHas(textFileTypes, e))
        kind = FileKinds::Text;
    // An address whose last "." lies in its host or folder name ("site/", "php?x=a/b") is a page.
    if (kind == FileKinds::NotIndexed && extension.find('/') != std::string_view::npos)
        kind = FileKinds::Html;
    return kind;
}

std::string FileNameExtension(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string extension(fileName.substr(dot + 1));
    for (char& c : extension)
        c = AsciiText::lower(c);
    return extension;
}
