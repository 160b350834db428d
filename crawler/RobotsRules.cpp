#include "crawler/RobotsRules.h"
#include "platform/AsciiText.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && AsciiText::isWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && AsciiText::isWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Percent escapes compared without regard to the case of their hex digits ("%aa" is "%AA").
std::string normalized(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i + 2 < out.size(); ++i) {
        if (out[i] != '%')
            continue;
        for (std::size_t k = i + 1; k <= i + 2; ++k)
            if (out[k] >= 'a' && out[k] <= 'f')
                out[k] = static_cast<char>(out[k] - 'a' + 'A');
    }
    return out;
}

// True when the pattern matches path from its start. The pattern is cut at its "*"s; each literal piece
// is taken at its leftmost place after the previous one, which can only leave more room for the rest, so
// no backtracking is needed. A "$" at the end pins the last piece to the end of the path.
bool matches(std::string_view pattern, std::string_view path) {
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored)
        pattern.remove_suffix(1);
    const std::size_t firstStar = pattern.find('*');
    const std::string_view head = pattern.substr(0, firstStar);
    if (!path.starts_with(head))
        return false;
    if (firstStar == npos)
        return !anchored || path.size() == head.size();
    std::size_t at = head.size();
    std::string_view rest = pattern.substr(firstStar + 1);
    while (true) {
        const std::size_t star = rest.find('*');
        const std::string_view piece = rest.substr(0, star);
        if (star == npos) {
            // The last piece: anywhere after `at`, or exactly at the end when anchored.
            if (anchored)
                return path.size() >= at + piece.size() && path.ends_with(piece);
            return path.find(piece, at) != npos;
        }
        const std::size_t found = path.find(piece, at);
        if (found == npos)
            return false;
        at = found + piece.size();
        rest = rest.substr(star + 1);
    }
}

} // namespace

std::string RobotsProductToken(std::string_view userAgent) {
    userAgent = trimmed(userAgent);
    const std::size_t end = userAgent.find_first_of(" \t/");
    return std::string(userAgent.substr(0, end));
}

RobotsRules RobotsRules::disallowAll() {
    RobotsRules rules;
    rules.m_disallowAll = true;
    return rules;
}

RobotsRules RobotsRules::parse(std::string_view text, std::string_view productToken) {
    RobotsRules result;
    std::vector<Rule> ours;
    std::vector<Rule> anyone;
    bool namedUs = false; // some group names our product token: "*" groups no longer apply
    // The group being read: which agents its user-agent lines named, and whether its rules have begun
    // (a user-agent line after a rule starts a new group).
    bool groupForUs = false;
    bool groupForAnyone = false;
    bool inRules = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        line = line.substr(0, line.find('#'));
        const std::size_t colon = line.find(':');
        if (colon == npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (AsciiText::equalsIgnoringCase(key, "user-agent")) {
            if (inRules) {
                groupForUs = groupForAnyone = inRules = false;
            }
            const std::string_view agent = value.substr(0, value.find_first_of(" \t"));
            if (agent == "*")
                groupForAnyone = true;
            else if (!productToken.empty() && AsciiText::equalsIgnoringCase(agent, productToken))
                groupForUs = namedUs = true;
        } else if (AsciiText::equalsIgnoringCase(key, "allow") ||
                   AsciiText::equalsIgnoringCase(key, "disallow")) {
            inRules = true;
            // An empty Disallow allows everything, which is what no rule at all does.
            if (value.empty())
                continue;
            Rule rule{normalized(value), AsciiText::equalsIgnoringCase(key, "allow")};
            if (groupForUs)
                ours.push_back(rule);
            if (groupForAnyone)
                anyone.push_back(std::move(rule));
        } else if (AsciiText::equalsIgnoringCase(key, "sitemap")) {
            if (!value.empty())
                result.m_sitemaps.emplace_back(value);
        }
    }
    result.m_rules = namedUs ? std::move(ours) : std::move(anyone);
    return result;
}

bool RobotsRules::allows(std::string_view pathAndQuery) const {
    // The file itself is never out of bounds.
    if (pathAndQuery == "/robots.txt")
        return true;
    if (m_disallowAll)
        return false;
    const std::string path = normalized(pathAndQuery);
    std::size_t best = 0;
    bool allowed = true;
    for (const Rule& rule : m_rules) {
        if (!matches(rule.pattern, path))
            continue;
        // Rules compete by their length as written, "*" and "$" included, as RFC 9309 counts it.
        const std::size_t length = rule.pattern.size();
        if (length > best || (length == best && rule.allow)) {
            best = length;
            allowed = rule.allow;
        }
    }
    return allowed;
}
