#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Appends the link values of a page's tags to links, in page order and exactly as written: the value of
// the named attribute (unless it is a mailto: address), an option value holding "http", the src of a
// frame or iframe and the target of a meta refresh. A tag is the text from a "<" to the next ">"; text
// after a last "<" that is never closed is no tag. A tag that mentions "nofollow" (rel="nofollow") gives
// no link. False when the page is empty, when no link was found, or as soon as a tag mentions "noindex"
// (any case) or is a robots <meta> saying "nofollow": such a page asks not to be followed, even though
// links of earlier tags are already in the list.
bool ExtractLinks(std::string_view page, std::string_view attribute, std::vector<std::string>& links);

// The value that belongs to name in a tag: name is found as a plain substring (ignoring ASCII case),
// and the value is the text between the next double or single quote and the next quote of the same kind.
// An empty value when no quote follows the name. Nothing when the name does not occur or the value's
// closing quote is missing: a value cut off by the end of the tag is more likely junk than an address.
// The result points into tag.
std::optional<std::string_view> GetAttributeValue(std::string_view tag, std::string_view name);
