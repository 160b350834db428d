#pragma once

#include <string>

// Recognises what a Findlark that kept no record of its files left in an output folder, so a folder made
// by an earlier version keeps working while a site's own files of the same names are never taken for ours.
namespace EarlierOutput {

// True when the regular file at the path is what Findlark writes under that name: a script file that
// starts as the generator starts it (searchfunc.js, search.asp, search.php), a whole index (webdata.js)
// or an index database with its table (IndexData.mdb). Any other name is never recognised here.
bool LooksGenerated(const std::string& path, const std::string& name);

// True when the published file is a regular file, not a link, holding the same bytes as the original (which
// may be reached through a link, as a template's files may).
bool SameBytes(const std::string& published, const std::string& original);

} // namespace EarlierOutput
