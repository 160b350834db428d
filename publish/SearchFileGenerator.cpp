#include "publish/SearchFileGenerator.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "app/AppPaths.h"
#include "app/MessageService.h"
#include "app/Settings.h"
#include "platform/Database.h"
#include "platform/FileLock.h"
#include "platform/FileReplace.h"
#include "platform/FolderPath.h"
#include "platform/TextFile.h"
#include "publish/EarlierOutput.h"
#include "publish/FolderCopy.h"
#include "publish/OutputRecord.h"
#include "publish/ScriptFileText.h"
#include "store/IndexDataFile.h"
#include "store/IndexDatabase.h"
#include "store/RunIndex.h"

namespace fs = std::filesystem;

namespace {

const char* const kNotForJavaScript =
    "Current you select \"%s\" for template,it's not for JavaScript.\n"
    "Please open the \"Options\" dialog and select a right Template for using.";
const char* const kNotForAsp = "Current you select \"%s\" for template,it's not for ASP.\n"
                               "Please open the \"Options\" dialog and select a right Template for using.";
const char* const kNotForPhp = "Current you select \"%s\" for template,it's not for PHP.\n"
                               "Please open the \"Options\" dialog and select a right Template for using.";
const char* const kSystemFileDamaged = "The system file is damaged!\nYou must reinstall this software.";
const char* const kIndexFirst =
    "To make or run the search engine you must index a folder or website first.\n"
    "Please select \"Index folder\" or \"Index Website\" in the menu to index.\t\t\t\n"
    "After the indexing is finished,you can continue this.";
const char* const kNoOutputPath =
    "The output path %s is not existed!\nPlease open 'Options' dialog and select "
    "'Output' to set another output path to continue.";
const char* const kNoTemplateFile =
    "Current selected template file is not existed!\nPlease open 'Options' dialog "
    "and select 'Template' to select another template name to continue.";
const char* const kOpenFailure = "Open file failure!\nPlease retry again.";
const char* const kNotWrittenHere =
    "%s was not written by Findlark, so it is neither replaced nor removed.\nNothing in the output path "
    "was changed: move that file away, or open 'Options' dialog and select 'Output' to set another output "
    "path to continue.";

bool exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

bool isOneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

// One call of GenerateSearchFiles: every step in its order.
class Generation {
public:
    explicit Generation(GeneratorInputs& inputs)
        : m_in(inputs), m_variant(VariantOf(inputs.profile)), m_program(inputs.paths.programFolder + "/"),
          m_template(inputs.paths.templateFolder + "/" + inputs.profile.SelTemplateName + "/"),
          m_output(OutputFolder(inputs.profile)), m_record(m_output) {}

    bool run() {
        // A run in progress is told before a missing index: the run is what will make it.
        if (!checkTemplateKind() || !checkSupportFiles() || !checkIdle() || !checkIndex() || !openIndex() ||
            !checkOutputFolder() || !checkTemplateFiles())
            return false;
        m_copy = FolderCopy::PlanCopy(m_template, m_output);
        if (!checkOutputNames())
            return false;
        const bool published = publish();
        // Whatever now stands at a name this call writes or removes is either gone or ours: a step that
        // failed left the earlier file, which was checked to be ours before the first step.
        for (const std::string& name : m_names)
            m_record.update(name);
        const bool recorded = m_record.save();
        return published && (recorded || fail());
    }

private:
    bool publish() {
        if (!FolderCopy::CopyPlanned(m_copy) || !m_copy.complete)
            return fail();
        removeFrameFiles();
        if (!copyIndex())
            return fail();
        removeStaleFiles();
        removeFromOutput(scriptName());
        return writeScriptFile();
    }

    bool refuse(const std::string& message) {
        m_in.messages.showMessage(message);
        return false;
    }
    bool fail() { return refuse(kOpenFailure); }

    std::string searchFunc() const { return m_program + "SearchFunc.dat"; }
    std::string searchFuncAsp() const { return m_program + "SearchFuncASP.dat"; }
    std::string searchFuncPhp() const { return m_program + "SearchFuncPHP.dat"; }
    const std::string& database() const { return m_in.paths.databasePath; }
    std::string scriptName() const { return ScriptFileName(m_variant); }
    bool is(SearchVariant variant) const { return m_variant == variant; }
    // The two server-side variants share the index database.
    bool usesDatabase() const { return !is(SearchVariant::JavaScript); }

    // Each built-in template names the page its form asks, so it serves one variant only.
    bool checkTemplateKind() {
        const std::string& name = m_in.profile.SelTemplateName;
        if (is(SearchVariant::JavaScript) &&
            isOneOf(name, {"Simple-ASP", "Advanced-ASP", "Simple-PHP", "Advanced-PHP"}))
            return refuse(FillMessage(kNotForJavaScript, name));
        if (is(SearchVariant::Asp) &&
            isOneOf(name, {"Simple", "Menubar", "Advanced", "Simple-PHP", "Advanced-PHP"}))
            return refuse(FillMessage(kNotForAsp, name));
        if (is(SearchVariant::Php) &&
            isOneOf(name, {"Simple", "Menubar", "Advanced", "Simple-ASP", "Advanced-ASP"}))
            return refuse(FillMessage(kNotForPhp, name));
        return true;
    }

    // The PHP page carries its own search code and needs no browser functions.
    bool checkSupportFiles() {
        const bool present = is(SearchVariant::Php) ? exists(searchFuncPhp())
                                                    : exists(searchFunc()) && (!is(SearchVariant::Asp) ||
                                                                               exists(searchFuncAsp()));
        return present || refuse(kSystemFileDamaged);
    }

    bool checkIndex() {
        // A data file without its trailer (a run killed by an older version) is no index to publish.
        // The server-side pages answer from the word index a run writes: a database of an older version
        // holds the rows alone, which a page could only search by reading every one of them.
        const bool made = usesDatabase() ? IndexDatabase::HasWordIndex(database())
                                         : IsCompleteIndexData(m_in.paths.indexDataPath);
        if (!made)
            return refuse(kIndexFirst);
        return true;
    }

    // The index is read under the run lock, so no run of any process starts meanwhile.
    bool checkIdle() { return (m_in.idle && m_runLock.tryLock()) || refuse(kIndexingNotFinished); }

    // A run of a version without the lock still holds the database's write lock, waited out briefly, then
    // refused. Opening the database rolls back what a killed run left half written; a file that is no
    // database fails when it is copied.
    bool openIndex() {
        if (!usesDatabase())
            return true;
        try {
            m_index.open(database());
            m_index.beginTrans();
            m_index.rollbackTrans();
        } catch (const DatabaseError& error) {
            m_index.close();
            return !error.busy() || refuse(kIndexingNotFinished);
        }
        return true;
    }

    bool checkOutputFolder() {
        std::error_code error;
        if (!fs::is_directory(m_output, error))
            return refuse(FillMessage(kNoOutputPath, m_in.profile.OutputPath));
        return true;
    }

    // A template is named by a plain folder name inside the Template folder, never by a path leading
    // elsewhere on the disk, and its pages are its own: a page that is a link out of the template's folder
    // would publish whatever it points to.
    bool checkTemplateFiles() {
        const std::string& name = m_in.profile.SelTemplateName;
        const bool plainName = !name.empty() && name != "." && name != ".." &&
                               name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
        if (!plainName || !exists(m_template + "search.html") || !exists(m_template + "result.html"))
            return refuse(kNoTemplateFile);
        m_resultPage = insideTemplate("result.html");
        if (insideTemplate("search.html").empty() || m_resultPage.empty())
            return refuse(kNoTemplateFile);
        return true;
    }

    // The real path of a template file when it lies inside the template's folder; empty otherwise.
    std::string insideTemplate(const std::string& name) const {
        std::error_code error;
        const fs::path folder = fs::canonical(m_template, error);
        const fs::path file = error ? fs::path() : fs::canonical(m_template + name, error);
        if (error)
            return {};
        const fs::path relative = file.lexically_relative(folder);
        return relative.empty() || *relative.begin() == ".." ? std::string() : file.string();
    }

    // Every name this call writes or removes must be free or hold what Findlark wrote there; the first
    // that does not is named, before anything is written, so a refusal leaves the folder as it was.
    bool checkOutputNames() {
        std::error_code error;
        for (const fs::path& folder : m_copy.folders) {
            const fs::file_status status = fs::symlink_status(folder, error);
            if (fs::exists(status) && !fs::is_directory(status))
                return refuse(FillMessage(kNotWrittenHere, folder.string()));
        }
        std::map<std::string, std::string> templateCopies; // a name and the template file copied to it
        for (const FolderCopy::FileCopy& file : m_copy.files) {
            const std::string to = file.to.string();
            const std::string name = to.substr(to.rfind(m_output, 0) == 0 ? m_output.size() : 0);
            templateCopies.emplace(name, file.from.string());
            addName(name);
        }
        for (const std::string& name : frameFiles())
            addName(name);
        addName(usesDatabase() ? "IndexData.mdb" : "webdata.js");
        for (const std::string& name : staleFiles())
            addName(name);
        addName(scriptName());
        for (const std::string& name : m_names) {
            if (!isOurs(name, templateCopies))
                return refuse(FillMessage(kNotWrittenHere, m_output + name));
        }
        const fs::file_status record = fs::symlink_status(m_output + OutputRecord::kFileName, error);
        if (fs::exists(record) && !fs::is_regular_file(record))
            return refuse(FillMessage(kNotWrittenHere, m_output + OutputRecord::kFileName));
        return true;
    }

    // Files the generator reads are never written or removed, so they need no checking either.
    void addName(const std::string& name) {
        if (m_named.insert(name).second && !readByGenerator(m_output + name))
            m_names.push_back(name);
    }

    bool isOurs(const std::string& name, const std::map<std::string, std::string>& templateCopies) const {
        const std::string path = m_output + name;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (!fs::exists(status))
            return true;
        if (!fs::is_regular_file(status))
            return false; // the generator writes only plain files, never links or folders
        if (m_record.holdsWhatWasWritten(name))
            return true;
        // A folder made before the record was kept: what an earlier version would have written there.
        const auto copied = templateCopies.find(name);
        return (copied != templateCopies.end() && EarlierOutput::SameBytes(path, copied->second)) ||
               EarlierOutput::LooksGenerated(path, name);
    }

    std::vector<std::string> frameFiles() const {
        if (is(SearchVariant::JavaScript) && m_in.profile.OutputWindowType == 2)
            return {};
        return {"FrameSearch.html", "result.html"};
    }

    void removeFrameFiles() {
        for (const std::string& name : frameFiles())
            removeFromOutput(name);
    }

    bool copyIndex() {
        const std::string from = usesDatabase() ? database() : m_in.paths.indexDataPath;
        const std::string to = m_output + (usesDatabase() ? "IndexData.mdb" : "webdata.js");
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(to, error)) && fs::equivalent(from, to, error))
            return true;
        if (!usesDatabase())
            return FileReplace::withCopy(from, to);
        try {
            m_index.backupTo(to);
        } catch (const DatabaseError&) {
            return false;
        }
        return true;
    }

    // What another variant made here would be a second, stale search engine.
    std::vector<std::string> staleFiles() const {
        std::vector<std::string> names;
        if (!is(SearchVariant::JavaScript)) {
            names.push_back("searchfunc.js");
            names.push_back("webdata.js");
        }
        if (!is(SearchVariant::Asp))
            names.push_back("search.asp");
        if (!usesDatabase())
            names.push_back("IndexData.mdb");
        if (!is(SearchVariant::Php))
            names.push_back("search.php");
        return names;
    }

    void removeStaleFiles() {
        for (const std::string& name : staleFiles())
            removeFromOutput(name);
    }

    // The output folder may be the template's folder or the program folder; the files the
    // generator reads from there are never removed.
    bool readByGenerator(const std::string& path) const {
        std::error_code error;
        for (const std::string& kept :
             {m_template + "search.html", m_template + "result.html", m_template + "FrameSearch.html",
              database(), m_in.paths.indexDataPath, searchFunc(), searchFuncAsp(), searchFuncPhp()}) {
            if (fs::equivalent(path, kept, error))
                return true;
        }
        return false;
    }

    void removeFromOutput(const std::string& name) {
        const std::string path = m_output + name;
        std::error_code error;
        if (!readByGenerator(path))
            fs::remove(path, error);
    }

    // The whole script file is put together first and then replaces the published one in one step.
    bool writeScriptFile() {
        std::vector<std::string> codeLines;
        std::vector<std::string> resultLines;
        const bool codeRead =
            TextFile::readLines(is(SearchVariant::Php) ? searchFuncPhp() : searchFunc(), codeLines);
        const bool resultRead = TextFile::readLines(m_resultPage, resultLines);
        if (!codeRead || !resultRead)
            return fail();
        if (usesDatabase())
            m_in.profile.NoNewSearchLink = 1; // a server-side page has no "New Search" link
        std::string text;
        if (is(SearchVariant::Php)) {
            text = ScriptFileText::PhpScriptText(m_in.profile, resultLines, codeLines);
        } else {
            const bool asp = is(SearchVariant::Asp);
            text = ScriptFileText::ScriptText(asp, m_in.profile, resultLines, codeLines);
            if (asp && !appendServerCode(text))
                return fail();
        }
        return FileReplace::withText(m_output + scriptName(), text) || fail();
    }

    bool appendServerCode(std::string& text) {
        std::vector<std::string> lines;
        if (!TextFile::readLines(searchFuncAsp(), lines))
            return false;
        for (const std::string& line : lines) {
            text += line;
            text += ScriptFileText::kLineEnd;
        }
        return true;
    }

    GeneratorInputs& m_in;
    const SearchVariant m_variant;
    const std::string m_program;  // ends in "/"
    const std::string m_template; // the selected template's folder, ending in "/"
    const std::string m_output;   // ends in "/"
    std::string m_resultPage;     // the real path of the template's result.html
    FolderCopy::CopyPlan m_copy;
    OutputRecord m_record;
    std::vector<std::string> m_names; // every name this call writes or removes, in the order of its steps
    std::set<std::string> m_named;
    FileLock m_runLock{m_in.paths.runLockPath()};
    Connection m_index; // the working database, open from checkIdle on
};

} // namespace

SearchVariant VariantOf(const ProfileSettings& profile) {
    switch (profile.ScriptType) {
    case ScriptTypes::JavaScript:
        return SearchVariant::JavaScript;
    case ScriptTypes::Php:
        return SearchVariant::Php;
    default:
        return SearchVariant::Asp;
    }
}

std::string ScriptFileName(SearchVariant variant) {
    switch (variant) {
    case SearchVariant::JavaScript:
        return "searchfunc.js";
    case SearchVariant::Php:
        return "search.php";
    case SearchVariant::Asp:
        break;
    }
    return "search.asp";
}

std::string OutputFolder(const ProfileSettings& profile) {
    return WithFolderSlash(profile.OutputPath);
}

bool GenerateSearchFiles(GeneratorInputs& inputs) {
    return Generation(inputs).run();
}
