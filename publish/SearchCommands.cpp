#include "publish/SearchCommands.h"

#include "app/InputPrompt.h"
#include "app/MessageService.h"
#include "app/Settings.h"
#include "engines/EngineRegistry.h"
#include "platform/PreviewServer.h"
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

bool OpenPreview(GeneratorInputs& inputs, Shell& shell, PreviewServer& preview) {
    const Result<std::string> address = preview.start(OutputFolder(inputs.profile));
    if (!address) {
        inputs.messages.showMessage(address.reason());
        return false;
    }
    shell.open(*address + "search.html");
    return true;
}

bool OnRunSearchFile(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt) {
    // One server for the program's life: Run again serves the (possibly new) output folder in its place.
    static PhpPreviewServer server;
    return OnRunSearchFile(inputs, shell, prompt, server);
}

bool OnRunSearchFile(GeneratorInputs& inputs, Shell& shell, InputPrompt& prompt, PreviewServer& preview) {
    if (!GenerateSearchFiles(inputs))
        return false;
    const SearchEngine& engine = EngineRegistry::Of(inputs.profile);
    switch (engine.runPage()) {
    case RunPage::LocalPreview:
        OpenPreview(inputs, shell, preview);
        break;
    case RunPage::ServerAddress:
        runServerPage(inputs, shell, prompt);
        break;
    case RunPage::OutputFile:
        shell.open(OutputFolder(inputs.profile) + engine.searchPage(inputs.profile));
        break;
    }
    return true;
}
