#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a site's robots.txt asks of this crawler (the robots exclusion protocol of RFC 9309): the rules of
// the groups naming the crawler's product token, or of the "*" groups when none does; an address is
// allowed unless its longest matching rule is a Disallow (an Allow wins a tie). Rules may hold "*" for any
// run of characters and end in "$" to match only at the end.
class RobotsRules {
public:
    // Everything allowed: no robots.txt (a 4xx answer), or one that names nothing for us.
    RobotsRules() = default;
    static RobotsRules parse(std::string_view text, std::string_view productToken);
    // Nothing allowed: the file could not be had (a 5xx answer, no answer at all).
    static RobotsRules disallowAll();

    // pathAndQuery as the request sends it ("/a/b.html?x=1").
    bool allows(std::string_view pathAndQuery) const;
    // The Sitemap: addresses, whatever group they stand in.
    const std::vector<std::string>& sitemaps() const { return m_sitemaps; }

private:
    struct Rule {
        std::string pattern;
        bool allow = false;
    };
    std::vector<Rule> m_rules;
    std::vector<std::string> m_sitemaps;
    bool m_disallowAll = false;
};

// The product token a robots.txt names us by: the user agent up to its first blank or "/".
std::string RobotsProductToken(std::string_view userAgent);
