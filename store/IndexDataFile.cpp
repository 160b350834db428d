#include "store/IndexDataFile.h"

#include "index/IndexRecord.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

bool AppendToFile(std::string_view text, const std::string& path, const IndexStores& stores) {
    if (!stores.dataFile)
        return true;
    return TextFile::append(path, text);
}

std::string IndexDataWriteFailure(const std::string& path) {
    return "Write to the index data file " + path + " failure!\nPlease check the disk and retry again.";
}

std::string PendingIndexDataPath(const std::string& indexDataPath) {
    return indexDataPath + ".new";
}

bool IsCompleteIndexData(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false; // a folder or a pipe holds no index, and reading a pipe would wait for ever
    std::ifstream file(path, std::ios::binary);
    const std::string_view header = IndexDataFormat::kHeader;
    std::string start(header.size(), '\0');
    if (!file.read(start.data(), static_cast<std::streamsize>(start.size())) || start != header)
        return false;
    // The trailer is "fileNum=<digits>;", a few dozen bytes at most.
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    const std::streamoff tail = std::min<std::streamoff>(size, 32);
    std::string end(static_cast<size_t>(tail), '\0');
    file.seekg(size - tail);
    if (!file.read(end.data(), tail))
        return false;
    const size_t at = end.rfind("fileNum=");
    if (at == std::string::npos || end.back() != ';')
        return false;
    const std::string_view digits = std::string_view(end).substr(at + 8, end.size() - at - 9);
    return !digits.empty() &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}
