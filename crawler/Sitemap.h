#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The addresses of a sitemap (sitemaps.org): the <loc> of each <url> of a urlset, and the <loc> of each
// <sitemap> of a sitemap index. A gzipped sitemap (".xml.gz") is inflated first, to at most maxBytes.
struct SitemapEntries {
    std::vector<std::string> pages;
    std::vector<std::string> sitemaps;
};

SitemapEntries ReadSitemap(std::string_view content, std::size_t maxBytes);
