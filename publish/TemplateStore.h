#pragma once

#include <string>
#include <vector>

class MessageService;

// The templates: the folders below the Template folder, each named after its template. What the Template
// page of the options sheet does to them, without any window.
namespace TemplateStore {

inline constexpr const char* kSourceTemplate = "Simple";
inline constexpr const char* kNameExists = "The template name '%s' already exist!";
inline constexpr const char* kInvalidName = "The template name '%s' is not a valid folder name!";
inline constexpr const char* kRemoveFailure = "Remove directory failure! Error ID: %d";

// The files of a template that can be edited and previewed, in the order of the page's choice.
inline constexpr const char* kTemplateFiles[] = {"search.html", "result.html", "FrameSearch.html"};

// The names of the folders in the Template folder, in name order; files are left out.
std::vector<std::string> ListTemplates(const std::string& templateFolder);

// True when the name can stand for exactly one folder inside the Template folder: no "/", no NUL,
// neither "." nor "..". The empty name is not: it names the Template folder itself.
bool IsFolderName(const std::string& name);

// Makes a new template as a copy of everything in "Simple". A name that is already a file or folder there
// (the empty name too) or that is no folder name gets its message and creates nothing. True when the new
// folder was made; a copy that fails halfway leaves what it made.
bool AddTemplate(const std::string& templateFolder, const std::string& name, MessageService& messages);

// Removes a template's files and its folder. A template that is a link to a folder elsewhere loses only
// the link: what it points to is never touched. A folder that cannot be removed gets the message with the
// system's error number. True when the template is gone.
bool DeleteTemplate(const std::string& templateFolder, const std::string& name, MessageService& messages);

// The path of one of kTemplateFiles (choice 0 to 2) in a template.
std::string TemplateFilePath(const std::string& templateFolder, const std::string& name, int choice);

} // namespace TemplateStore
