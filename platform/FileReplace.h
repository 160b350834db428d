#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

// Writes a published file whole or not at all: the content goes to a temporary file in the same folder,
// which is then renamed over the name. Whatever stood at the name before, a symbolic link included, is
// replaced; nothing is ever written through a link. The temporary file is always a new file made by this
// call: whatever already stands at a temporary name (another process's file, a planted link) is left alone
// and another name is taken. On failure the temporary file is removed and the name keeps what it had.
namespace FileReplace {

bool withText(const std::filesystem::path& target, std::string_view text);
bool withCopy(const std::filesystem::path& source, const std::filesystem::path& target);
// For content another library writes by path (a database copy): `write` fills the new, empty temporary
// file at the path it is given and says whether it succeeded.
bool withWriter(const std::filesystem::path& target,
                const std::function<bool(const std::filesystem::path& temporary)>& write);

} // namespace FileReplace
