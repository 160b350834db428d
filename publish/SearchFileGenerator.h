#pragma once

#include <string>

struct AppPaths;
struct ProfileSettings;
class MessageService;

// What one generation works on: the program's paths, the current profile's settings as held in
// memory, the address used to run the server-side search page, the run control's idle flag and
// the message service that shows refusals and failures.
struct GeneratorInputs {
    const AppPaths& paths;
    ProfileSettings& profile;
    std::string& runSearchURL;
    bool idle;
    MessageService& messages;
};

// The folder the search files go into: OutputPath, with a final "/" added when it lacks one, so a
// typed path never makes file names glued onto the folder's name.
std::string OutputFolder(const ProfileSettings& profile);

// Writes the profile's search engine into the output folder: the selected template, the index and the
// engine's script file (searchfunc.js, search.asp or search.php). True when every file was written; on a
// refusal or a failure the message has been shown, what was done so far stays in place, and the result is
// false.
bool GenerateSearchFiles(GeneratorInputs& inputs);
