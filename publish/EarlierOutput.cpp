#include "publish/EarlierOutput.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/Database.h"
#include "store/IndexDataFile.h"

namespace fs = std::filesystem;

namespace EarlierOutput {

namespace {

// The first lines every version wrote, before the first value a user may have translated.
constexpr std::string_view kTranslation = "//Translate search result info into your language\r\n";
constexpr std::string_view kAspStart = "<script LANGUAGE=\"JavaScript\" RUNAT=\"Server\">\r\n\r\n";

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(path, error));
}

bool startsWith(const std::string& path, const std::string& start) {
    std::ifstream file(path, std::ios::binary);
    std::string head(start.size(), '\0');
    return file.read(head.data(), static_cast<std::streamsize>(head.size())) && head == start;
}

} // namespace

bool LooksGenerated(const std::string& path, const std::string& name) {
    if (!isRegularFile(path))
        return false;
    const std::string translation(kTranslation);
    if (name == "searchfunc.js")
        return startsWith(path, translation + "StrYourSearch=");
    if (name == "search.asp")
        return startsWith(path, std::string(kAspStart) + translation + "StrYourSearch=");
    if (name == "search.php")
        return startsWith(path, "<?php\r\n" + translation + "$StrYourSearch=");
    if (name == "webdata.js")
        return IsCompleteIndexData(path);
    if (name == "IndexData.mdb")
        return Connection::fileHasTable(path, "IndexData");
    return false;
}

bool SameBytes(const std::string& published, const std::string& original) {
    std::error_code error;
    if (!isRegularFile(published) || !fs::is_regular_file(original, error) ||
        fs::file_size(published, error) != fs::file_size(original, error) || error)
        return false;
    std::ifstream a(published, std::ios::binary);
    std::ifstream b(original, std::ios::binary);
    std::array<char, 1 << 16> bufferA;
    std::array<char, 1 << 16> bufferB;
    while (a && b) {
        a.read(bufferA.data(), bufferA.size());
        b.read(bufferB.data(), bufferB.size());
        if (a.gcount() != b.gcount() ||
            !std::equal(bufferA.begin(), bufferA.begin() + a.gcount(), bufferB.begin()))
            return false;
    }
    return a.eof() && b.eof();
}

} // namespace EarlierOutput
