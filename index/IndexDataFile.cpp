#include "index/IndexDataFile.h"

#include "app/Settings.h"
#include "platform/TextFile.h"

bool AppendToFile(std::string_view text, const std::string& path, int scriptType) {
    if (scriptType != ScriptTypes::JavaScript)
        return true;
    return TextFile::append(path, text);
}

std::string IndexDataWriteFailure(const std::string& path) {
    return "Write to the index data file " + path + " failure!\nPlease check the disk and retry again.";
}
