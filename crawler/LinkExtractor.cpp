#include "crawler/LinkExtractor.h"
#include "platform/AsciiText.h"

#include <algorithm>

namespace {

constexpr size_t npos = std::string_view::npos;

bool isLowerLetter(char c) {
    return c >= 'a' && c <= 'z';
}

// Next position of c in text from position from, or the end of text.
size_t next(std::string_view text, char c, size_t from) {
    const size_t at = text.find(c, from);
    return at == npos ? text.size() : at;
}

// Position of needle in text, comparing ASCII letters without case. Candidates for the first character
// are found with find() in each case of it, so a long tag costs a fast scan, not a loop per byte.
size_t findNoCase(std::string_view text, std::string_view needle) {
    if (needle.empty())
        return 0;
    if (needle.size() > text.size())
        return npos;
    const size_t last = text.size() - needle.size();
    const char lower = AsciiText::lower(needle[0]);
    const char upper = isLowerLetter(lower) ? static_cast<char>(lower - 'a' + 'A') : lower;
    size_t nextLower = next(text, lower, 0);
    size_t nextUpper = upper == lower ? text.size() : next(text, upper, 0);
    while (true) {
        const size_t i = std::min(nextLower, nextUpper);
        if (i > last)
            return npos;
        size_t k = 1;
        while (k < needle.size() && AsciiText::lower(text[i + k]) == AsciiText::lower(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
        if (i == nextLower)
            nextLower = next(text, lower, i + 1);
        else
            nextUpper = next(text, upper, i + 1);
    }
}

bool containsNoCase(std::string_view text, std::string_view needle) {
    return findNoCase(text, needle) != npos;
}

// The links of one tag; false when the tag asks the page not to be followed.
bool readTag(std::string_view tag, std::string_view attribute, std::vector<std::string>& links) {
    if (containsNoCase(tag, "noindex"))
        return false;
    if (containsNoCase(tag, "nofollow")) {
        // <meta name="robots" content="nofollow"> asks that no link of the page be followed; rel="nofollow"
        // only that of its own tag.
        return !(containsNoCase(tag, "<meta") && containsNoCase(tag, "robots"));
    }
    if (const auto value = GetAttributeValue(tag, attribute); value && !containsNoCase(*value, "mailto:")) {
        links.emplace_back(*value);
        return true;
    }
    // Jump menus keep their targets in option values; only absolute ones are worth following.
    if (const auto value = GetAttributeValue(tag, "option"); value && containsNoCase(*value, "http")) {
        links.emplace_back(*value);
        return true;
    }
    if (containsNoCase(tag, "frame")) {
        if (const auto value = GetAttributeValue(tag, "src"))
            links.emplace_back(*value);
    }
    if (containsNoCase(tag, "meta") && containsNoCase(tag, "refresh")) {
        // "5; URL=next.html": the target follows the first "=".
        if (const auto value = GetAttributeValue(tag, "content")) {
            const size_t equals = value->find('=');
            if (equals != npos && equals + 1 < value->size())
                links.emplace_back(value->substr(equals + 1));
        }
    }
    return true;
}

} // namespace

std::optional<std::string_view> GetAttributeValue(std::string_view tag, std::string_view name) {
    const size_t at = findNoCase(tag, name);
    if (at == npos)
        return std::nullopt;
    const size_t open = tag.find_first_of("\"'", at);
    if (open == npos)
        return std::string_view();
    const size_t close = tag.find(tag[open], open + 1);
    if (close == npos)
        return std::nullopt;
    return tag.substr(open + 1, close - open - 1);
}

bool ExtractLinks(std::string_view page, std::string_view attribute, std::vector<std::string>& links) {
    if (page.empty())
        return false;
    // A tag runs from a "<" to the next ">", any "<" in between included; a ">" outside a tag closes an
    // empty tag, which holds nothing. Tags are read as they close rather than collected first, so a large
    // page is never held twice.
    for (size_t start = page.find('<'); start != npos; start = page.find('<', start)) {
        const size_t end = page.find('>', start + 1);
        if (end == npos)
            break;
        if (!readTag(page.substr(start, end - start + 1), attribute, links))
            return false;
        start = end + 1;
    }
    return !links.empty();
}
