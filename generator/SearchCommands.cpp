#include "generator/SearchCommands.h"

#include "app/InputPrompt.h"
#include "app/Settings.h"
#include "platform/Shell.h"

namespace {

const char* const kRunCaption = "Input URL to run";
const char* const kRunLabel = "URL:";
const char* const kRunHint =
    "To run the asp search engine, you need to publish the output path in the IIS or PWS "
    "and input the URL here.";

void runServerPage(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt) {
    const auto url = prompt.ask(kRunCaption, kRunLabel, kRunHint, inputs.runSearchURL);
    // An empty address opens nothing and would only replace a remembered one.
    if (!url || url->empty())
        return;
    shell.open(*url);
    inputs.runSearchURL = *url;
}

} // namespace

bool OnMakeSearchFile(GeneratorInputs& inputs, Shell& shell) {
    if (!GenerateSearchFiles(inputs))
        return false;
    shell.open(OutputFolder(inputs.profile));
    return true;
}

bool OnRunSearchFile(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt) {
    if (!GenerateSearchFiles(inputs))
        return false;
    if (IsAspVariant(inputs.profile)) {
        runServerPage(inputs, shell, prompt);
    } else {
        const char* page = inputs.profile.OutputWindowType == 2 ? "FrameSearch.html" : "search.html";
        shell.open(OutputFolder(inputs.profile) + page);
    }
    return true;
}
