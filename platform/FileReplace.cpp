#include "platform/FileReplace.h"

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace FileReplace {

namespace {

fs::path temporaryBeside(const fs::path& target) {
    std::string name(1, '.');
    name += target.filename().string();
    name += ".tmp-";
    name += std::to_string(::getpid());
    return target.parent_path() / name;
}

bool moveIntoPlace(const fs::path& temporary, const fs::path& target) {
    std::error_code error;
    fs::rename(temporary, target, error);
    if (!error)
        return true;
    fs::remove(temporary, error);
    return false;
}

} // namespace

bool withText(const fs::path& target, std::string_view text) {
    const fs::path temporary = temporaryBeside(target);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (!file) {
            std::error_code error;
            fs::remove(temporary, error);
            return false;
        }
    }
    return moveIntoPlace(temporary, target);
}

bool withCopy(const fs::path& source, const fs::path& target) {
    const fs::path temporary = temporaryBeside(target);
    std::error_code error;
    fs::remove(temporary, error);
    if (!fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error) || error) {
        fs::remove(temporary, error);
        return false;
    }
    return moveIntoPlace(temporary, target);
}

} // namespace FileReplace
