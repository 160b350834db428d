#include <gtest/gtest.h>

#include "crawler/Sitemap.h"
#include "tests/support/Compression.h"

namespace {

using Strings = std::vector<std::string>;

TEST(Sitemap, UrlsetIndexAndGzippedSitemapsGiveTheirAddresses) {
    const std::string urlset = R"(<?xml version="1.0" encoding="UTF-8"?>
<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">
  <url><loc> http://host/a.html </loc><lastmod>2024-01-01</lastmod></url>
  <url><loc>http://host/b.html?x=1&amp;y=2</loc></url>
</urlset>)";
    EXPECT_EQ(ReadSitemap(urlset, 1 << 20).pages,
              (Strings{"http://host/a.html", "http://host/b.html?x=1&y=2"}));

    const SitemapEntries index =
        ReadSitemap(R"(<sitemapindex xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">
  <sitemap><loc>http://host/one.xml.gz</loc></sitemap></sitemapindex>)",
                    1 << 20);
    EXPECT_EQ(index.sitemaps, Strings{"http://host/one.xml.gz"});
    EXPECT_TRUE(index.pages.empty());

    EXPECT_EQ(ReadSitemap(testsupport::gzipOf(urlset), 1 << 20).pages.size(), 2u);
    // A gzipped sitemap that inflates past the cap gives nothing rather than all of memory.
    EXPECT_TRUE(
        ReadSitemap(testsupport::gzipOf(urlset + std::string(1 << 20, ' ')), 64 * 1024).pages.empty());
}

} // namespace
