#pragma once

#include "publish/SearchFileGenerator.h"

class InputPrompt;
class PreviewServer;
class Shell;

// The main window's "Make Search File" command: generates the search files, then shows the output
// folder. True when the files were generated.
bool OnMakeSearchFile(GeneratorInputs& inputs, Shell& shell);

// The main window's "Run Search File" command: generates the search files, then, as the profile's engine
// asks, opens the search page from the output folder (JavaScript), or asks for the address the server
// publishes it at and opens that, remembering it in RunSearchURL (ASP), or serves the output folder on
// a local preview server and opens its search page there (PHP). True when the files were generated.
bool OnRunSearchFile(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt, PreviewServer& preview);

// The same with the program's one PHP preview server, which ends with the program.
bool OnRunSearchFile(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt);

// Serves the output folder on the preview server and opens its search.html. False, with the message
// shown, when the server cannot start.
bool OpenPreview(GeneratorInputs& inputs, Shell& shell, PreviewServer& preview);
