#include "batch/BatchCommand.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/FindlarkApp.h"
#include "app/OptionProfiles.h"
#include "app/ProductInfo.h"
#include "app/SettingsEditor.h"
#include "app/SettingsPersistence.h"
#include "batch/BatchView.h"
#include "crawler/CrawlControl.h"
#include "crawler/UrlRules.h"
#include "engines/EngineRegistry.h"
#include "platform/EventPump.h"
#include "platform/PreviewServer.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "publish/SearchCommands.h"
#include "publish/SearchFileGenerator.h"
#include "run/RunControl.h"

namespace {

// Set by an interrupt or termination signal: leaving the program stops the job, which still finishes
// the file in hand and writes its trailer.
std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) {
    g_interrupted = true;
}

class InterruptHandler {
public:
    InterruptHandler() {
        g_interrupted = false;
        m_oldInt = std::signal(SIGINT, onInterrupt);
        m_oldTerm = std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptHandler() {
        std::signal(SIGINT, m_oldInt);
        std::signal(SIGTERM, m_oldTerm);
    }

private:
    void (*m_oldInt)(int);
    void (*m_oldTerm)(int);
};

struct CommandLine {
    std::string command;
    std::vector<std::string> arguments;
    std::vector<SettingsEditor::KeyValue> overrides;
    std::string profile;
    bool hasProfile = false;
    bool quiet = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

// Options may stand before or after the command.
bool parse(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = "The option " + arg + " needs a value.";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--quiet" || arg == "-q") {
            line.quiet = true;
        } else if (arg == "--verbose" || arg == "-v") {
            line.verbose = true;
        } else if (arg == "--profile") {
            if (!value(line.profile))
                return false;
            line.hasProfile = true;
        } else if (arg == "--set") {
            std::string assignment;
            SettingsEditor::KeyValue keyValue;
            if (!value(assignment))
                return false;
            if (!SettingsEditor::split(assignment, keyValue)) {
                error = "The option --set takes KEY=VALUE, not \"" + assignment + "\".";
                return false;
            }
            line.overrides.push_back(keyValue);
        } else if (arg.starts_with("--") && arg.size() > 2) {
            error = "Unknown option \"" + arg + "\".";
            return false;
        } else if (line.command.empty()) {
            line.command = arg;
        } else {
            line.arguments.push_back(arg);
        }
    }
    return true;
}

class Batch {
public:
    Batch(CommandLine line, BatchEnvironment& environment) : m_line(std::move(line)), m_env(environment) {}

    int run() {
        m_app.InitInstance(m_env.programFolder, std::move(m_env.store));
        if (!m_app.dataFolderProblem.empty())
            std::fprintf(m_env.err, "%s\n", m_app.dataFolderProblem.c_str());
        m_savedCurOption = m_app.settings.CurOption;
        if (m_line.hasProfile && !selectProfile())
            return BatchStatus::Usage;
        if (m_line.command == "settings")
            return settingsCommand();
        if (!applyChanges(m_line.overrides))
            return BatchStatus::Usage;
        if (m_line.command == "index-folder")
            return indexFolder();
        if (m_line.command == "index-website")
            return indexWebsite();
        if (m_line.command == "make")
            return make();
        if (m_line.command == "preview")
            return preview();
        return usageError("Unknown command \"" + m_line.command + "\".");
    }

private:
    int usageError(const std::string& text) {
        std::fprintf(m_env.err, "findlark: %s\nTry 'findlark --help'.\n", text.c_str());
        return BatchStatus::Usage;
    }

    bool selectProfile() {
        const int number = OptionProfiles::findProfile(m_app.settings, m_line.profile);
        if (number == 0) {
            std::string names;
            for (const std::string& name : m_app.settings.profileNames)
                names += (names.empty() ? "" : ", ") + name;
            usageError("There is no option profile named \"" + m_line.profile + "\". Profiles: " + names +
                       ".");
            return false;
        }
        OptionProfiles::makeCurrent(m_app.settings, number, m_app.store(), m_app.paths.dataFolder);
        return true;
    }

    bool applyChanges(const std::vector<SettingsEditor::KeyValue>& changes) {
        std::string error;
        if (SettingsEditor::apply(m_app.settings, changes, m_app.store(), m_app.paths.dataFolder, error))
            return true;
        usageError(error);
        return false;
    }

    int settingsCommand() {
        if (!applyChanges(m_line.overrides))
            return BatchStatus::Usage;
        std::vector<SettingsEditor::KeyValue> changes;
        for (const std::string& arg : m_line.arguments) {
            SettingsEditor::KeyValue keyValue;
            if (!SettingsEditor::split(arg, keyValue))
                return usageError("The settings command takes KEY=VALUE, not \"" + arg + "\".");
            changes.push_back(keyValue);
        }
        if (changes.empty()) {
            for (const auto& [key, value] : SettingsEditor::list(m_app.settings))
                std::fprintf(m_env.out, "%s=%s\n", key.c_str(), value.c_str());
            return BatchStatus::Finished;
        }
        if (!applyChanges(changes))
            return BatchStatus::Usage;
        return save(changes) ? BatchStatus::Finished : BatchStatus::Failed;
    }

    // Saves what the command changed. --set values and the --profile choice are for this command only,
    // so the store gets its own reading of everything else.
    bool save(const std::vector<SettingsEditor::KeyValue>& changes) {
        SettingsStore& store = m_app.store();
        Settings stored;
        SettingsPersistence::LoadSettings(stored, store, m_app.paths.dataFolder);
        if (m_line.hasProfile)
            OptionProfiles::makeCurrent(stored, m_app.settings.CurOption, store, m_app.paths.dataFolder);
        std::string error;
        SettingsEditor::apply(stored, changes, store, m_app.paths.dataFolder, error);
        bool curOptionChanged = false;
        for (const auto& change : changes) {
            if (change.first == "IndexColon")
                store.setInt("Settings", "IndexColon", stored.IndexColon);
            curOptionChanged = curOptionChanged || change.first == "CurOption";
        }
        SettingsPersistence::SaveProfileSettings(stored, store);
        if (!curOptionChanged)
            stored.CurOption = m_savedCurOption;
        SettingsPersistence::SaveGlobalSettings(stored, store);
        if (!store.sync()) {
            std::fprintf(m_env.err, "The settings could not be saved to %s.\n", store.fileName().c_str());
            return false;
        }
        return true;
    }

    int indexFolder() {
        if (m_line.arguments.size() != 1)
            return usageError("index-folder takes one folder.");
        std::error_code error;
        std::string folder =
            std::filesystem::absolute(m_line.arguments[0], error).lexically_normal().string();
        if (folder.empty())
            folder = m_line.arguments[0];
        return runJob([&folder](RunControl& run) { return run.IndexFolder(folder); },
                      "Stopped before the end of the folder.");
    }

    // The address is completed as the address dialog completes it; the crawl starts at its folder.
    int indexWebsite() {
        if (m_line.arguments.size() != 1 || m_line.arguments[0].empty())
            return usageError("index-website takes one web address.");
        const std::string& typed = m_line.arguments[0];
        const std::string address = NormalizeStartAddress(typed);
        // The dialog would put "http://" before "ftp://..." too; a command line says plainly what it cannot
        // do.
        const bool otherScheme = typed.find("://") != std::string::npos && !IsFetchableUrl(typed);
        if (otherScheme || !SplitRequestUrl(address))
            return usageError("\"" + typed + "\" is not an http or https web address.");
        return runJob([&address](RunControl& run) { return run.IndexWebsite(address); },
                      "Stopped before the end of the website.");
    }

    // Runs one job to its end, handling the crawl's timer and its threads' calls meanwhile; an interrupt
    // stops the job, which still writes its trailer.
    int runJob(const std::function<bool(RunControl&)>& start, const char* stoppedText) {
        BatchView view(m_env.out, m_env.err, m_line.quiet);
        InterruptHandler interrupts;
        int records = 0;
        bool stopped = false;
        std::vector<std::string> notes;   // limits the crawl reached, addresses it could not fetch
        std::vector<std::string> details; // each address excluded or not fetched (--verbose)
        {
            RunControl run(m_app.paths, m_app.settings, view);
            if (!start(run))
                return BatchStatus::Failed;
            waitHandlingEvents([&] {
                if (g_interrupted && !stopped) {
                    run.Stop();
                    stopped = true;
                }
                return run.jobEnded();
            });
            run.waitForJob();
            records = run.lastRecordCount();
            if (CrawlControl* crawl = run.crawl()) {
                notes = crawl->endNotes();
                if (m_line.verbose)
                    details = crawl->endDetails();
            }
        }
        for (const std::string& detail : details)
            std::fprintf(m_env.err, "%s\n", detail.c_str());
        std::fprintf(m_env.out, "Finish\t%d records\n", records);
        for (const std::string& note : notes)
            std::fprintf(m_env.err, "%s\n", note.c_str());
        if (stopped)
            std::fprintf(m_env.err, "%s\n", stoppedText);
        return view.failed() || stopped ? BatchStatus::Failed : BatchStatus::Finished;
    }

    // Writes the search files; batch mode opens nothing and prints the output folder.
    int make() {
        if (!m_line.arguments.empty())
            return usageError("make takes no arguments.");
        BatchView messages(m_env.out, m_env.err, m_line.quiet);
        GeneratorInputs inputs{m_app.paths, m_app.settings.profile, m_app.settings.RunSearchURL, true,
                               messages};
        if (!GenerateSearchFiles(inputs))
            return BatchStatus::Failed;
        std::fprintf(m_env.out, "%s\n", OutputFolder(m_app.settings.profile).c_str());
        return BatchStatus::Finished;
    }

    // Batch mode opens nothing: the page the window would open is printed instead.
    class PrintingShell : public Shell {
    public:
        explicit PrintingShell(std::FILE* out) : m_out(out) {}
        bool open(const std::string& target) override {
            std::fprintf(m_out, "%s\n", target.c_str());
            std::fflush(m_out);
            return true;
        }

    private:
        std::FILE* m_out;
    };

    // What Run Search File does: writes the search files, then prints the page to open. In the PHP
    // variant the output folder is served on the preview server until an interrupt ends the command.
    int preview() {
        if (!m_line.arguments.empty())
            return usageError("preview takes no arguments.");
        BatchView messages(m_env.out, m_env.err, m_line.quiet);
        GeneratorInputs inputs{m_app.paths, m_app.settings.profile, m_app.settings.RunSearchURL, true,
                               messages};
        PrintingShell shell(m_env.out);
        const SearchEngine& engine = EngineRegistry::Of(m_app.settings.profile);
        if (engine.runPage() == RunPage::ServerAddress) {
            std::fprintf(m_env.err,
                         "The %s search page needs a web server with %s: publish the output folder "
                         "there and open its search.html.\n",
                         engine.label().c_str(), engine.label().c_str());
            return BatchStatus::Failed;
        }
        if (!GenerateSearchFiles(inputs))
            return BatchStatus::Failed;
        if (engine.runPage() == RunPage::OutputFile) {
            shell.open(OutputFolder(m_app.settings.profile) + engine.searchPage(m_app.settings.profile));
            return BatchStatus::Finished;
        }
        InterruptHandler interrupts;
        PhpPreviewServer server;
        if (!OpenPreview(inputs, shell, server))
            return BatchStatus::Failed;
        std::fprintf(m_env.err, "Serving %s; press Ctrl+C to stop.\n",
                     OutputFolder(m_app.settings.profile).c_str());
        std::fflush(m_env.err);
        bool ended = false;
        waitHandlingEvents([&] {
            ended = !server.running();
            return g_interrupted || ended;
        });
        if (ended) {
            std::fprintf(m_env.err, "The preview server ended by itself.\n");
            return BatchStatus::Failed;
        }
        return BatchStatus::Finished;
    }

    CommandLine m_line;
    BatchEnvironment& m_env;
    CFindlarkApp m_app;
    int m_savedCurOption = 1;
};

} // namespace

std::string BatchUsage() {
    return "Usage: findlark [COMMAND] [OPTIONS]\n"
           "Builds a search engine for a website.\n"
           "\n"
           "Commands:\n"
           "  index-folder DIR        index the files of DIR and its sub-folders\n"
           "  index-website URL       index the website from the folder of URL\n"
           "  make                    write the search files into the output folder\n"
           "  preview                 make, then serve a PHP search engine on 127.0.0.1 until Ctrl+C\n"
           "                          (other variants: print the page to open)\n"
           "  settings                print the settings, KEY=VALUE one a line\n"
           "  settings KEY=VALUE ...  change those settings and save them\n"
           "\n"
           "Options (before or after the command):\n"
           "  --profile NAME          use that option profile for this command\n"
           "  --set KEY=VALUE         override a setting for this command only\n"
           "  --quiet                 no page lines\n"
           "  --verbose               after a crawl, list each address excluded by robots.txt or\n"
           "                          not fetched, with the reason\n"
           "  --set IgnoreRobotsTxt=1 crawl one's own site without obeying its robots.txt\n"
           "  --help, --version\n"
           "\n"
           "Without a command the main window opens.\n";
}

int RunBatchCommand(const std::vector<std::string>& arguments, BatchEnvironment environment) {
    CommandLine line;
    std::string error;
    if (!parse(arguments, line, error)) {
        std::fprintf(environment.err, "findlark: %s\nTry 'findlark --help'.\n", error.c_str());
        return BatchStatus::Usage;
    }
    if (line.help) {
        std::fputs(BatchUsage().c_str(), environment.out);
        return BatchStatus::Finished;
    }
    if (line.version) {
        std::fprintf(environment.out, "%s\n", ProductInfo::kTitle);
        return BatchStatus::Finished;
    }
    if (line.command.empty()) {
        std::fputs(BatchUsage().c_str(), environment.err);
        return BatchStatus::Usage;
    }
    return Batch(std::move(line), environment).run();
}
