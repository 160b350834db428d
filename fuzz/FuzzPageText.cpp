// Page text extraction over arbitrary bytes. The first byte chooses the file kind and whether double
// quotes are kept; the rest is the page.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "index/PageExtractor.h"

namespace {

// Every field must stand between double quotes in a script: no line break, no bare double quote, and
// every backslash starting one of the two escapes the extractor writes.
void checkScriptString(std::string_view field) {
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\r' || c == '\n' || c == '"')
            std::abort();
        if (c != '\\')
            continue;
        if (i + 1 == field.size() || (field[i + 1] != '\\' && field[i + 1] != '"'))
            std::abort();
        ++i;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int kind = data[0] % 3;
    const int indexColon = (data[0] >> 2) & 1;
    const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
    const PageFields f = ExtractPageText(page, kind, indexColon);
    if (f.title.empty())
        std::abort();
    for (const std::string* field : {&f.title, &f.keywords, &f.description, &f.linkDescription, &f.text})
        checkScriptString(*field);
    std::string name, value;
    ParseMetaTag(page, name, value);
    CollapseWhitespace(page);
    return 0;
}
