#pragma once

#include "generator/SearchFileGenerator.h"

class InputPrompt;
class Shell;

// The main window's "Make Search File" command: generates the search files, then shows the output
// folder. True when the files were generated.
bool OnMakeSearchFile(GeneratorInputs& inputs, Shell& shell);

// The main window's "Run Search File" command: generates the search files, then opens the search
// page (JavaScript variant) or asks for the address the server publishes it at (ASP variant) and
// opens that, remembering it in RunSearchURL. True when the files were generated.
bool OnRunSearchFile(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt);
