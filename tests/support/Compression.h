#pragma once

#include <string>
#include <string_view>

// Compressed bodies for the tests of compressed transfers and gzipped sitemaps.
namespace testsupport {
std::string gzipOf(std::string_view data);
std::string brotliOf(std::string_view data);
} // namespace testsupport
