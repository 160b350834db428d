#pragma once

#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "engines/EngineRegistry.h"
#include "publish/SearchFileGenerator.h"
#include "tests/support/TestSupport.h"

namespace generatortest {

// Joins lines, each ended by CR LF, as the generator writes them.
inline std::string crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The schema and the rows of IndexData: what a copy of the database made through SQLite keeps.
inline std::vector<testsupport::DbRow> databaseContent(const std::string& path) {
    auto rows = testsupport::queryRows(path, "SELECT type, name, sql FROM sqlite_master ORDER BY name");
    const auto data = testsupport::queryRows(path, "SELECT * FROM IndexData ORDER BY rowid");
    rows.insert(rows.end(), data.begin(), data.end());
    return rows;
}

// A program folder with its support files, an index, a template "Mine" and an empty output folder.
class GeneratorFixture : public ::testing::Test {
protected:
    GeneratorFixture() : paths(AppPaths::forProgramFolder(program.folder())) {
        program.write("SearchFunc.dat", "%76ar%20a%3D1%3B\r\n%0Afunction%20f%28%29%7B%7D\n");
        program.write("SearchFuncASP.dat", "<%\r\nResponse.Write(\"x\")\n%>");
        program.write("SearchFuncPHP.dat", "echo 'x';\r\n\necho \"$y\";");
        program.write("IndexData.dat", "arrFiles=new Array();fileNum=0;");
        // The run that made the index left its lock file, which make takes in turn.
        program.write("IndexData.lock", "");
        // The database as a run leaves it: with the word index the server-side pages answer from.
        testsupport::queryRows(program.databasePath(),
                               "CREATE TABLE SearchWords (WordID INTEGER PRIMARY KEY, Word TEXT)",
                               SQLITE_OPEN_READWRITE);
        writeTemplate("Mine");
        profile = ProfileSettings::defaults(program.folder());
        profile.SelTemplateName = "Mine";
        profile.OutputPath = output.str() + "/";
        profile.ScriptType = ScriptTypes::JavaScript;
    }

    void writeTemplate(const std::string& name) {
        const std::string folder = "Template/" + name + "/";
        program.write(folder + "search.html", "<html>search</html>\r\n");
        program.write(folder + "result.html", "<p><%CONTENT%></p>\r\n");
        program.write(folder + "FrameSearch.html", "<frameset></frameset>\r\n");
        program.write(folder + "style.css", "body{}\r\n");
        program.write(folder + "images/logo.txt", "logo");
    }
    void writeResultPage(const std::string& content) { program.write("Template/Mine/result.html", content); }

    GeneratorInputs inputs() { return GeneratorInputs{paths, profile, runSearchURL, idle, messages}; }
    bool generate() {
        GeneratorInputs in = inputs();
        return GenerateSearchFiles(in);
    }

    std::string outputFile(const std::string& name) const {
        return testsupport::readFile(output.path() / name);
    }
    bool inOutput(const std::string& name) const { return std::filesystem::exists(output.path() / name); }
    std::string scriptFile() const { return outputFile(EngineRegistry::Of(profile).scriptFileName()); }

    // Every file below a folder, by its path relative to the folder.
    static std::set<std::string> filesBelow(const std::filesystem::path& folder) {
        std::set<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file())
                files.insert(std::filesystem::relative(entry.path(), folder).generic_string());
        }
        return files;
    }
    std::set<std::string> outputFiles() const { return filesBelow(output.path()); }

    // The line of the script file that starts with the prefix, without its line end.
    std::string scriptLine(const std::string& prefix) const {
        const std::string text = scriptFile();
        const size_t start = text.find("\r\n" + prefix);
        if (start == std::string::npos)
            return "<no line " + prefix + ">";
        const size_t end = text.find("\r\n", start + 2);
        return text.substr(start + 2, end - start - 2);
    }

    std::string messageList() const {
        std::string all;
        for (const std::string& m : messages.messages())
            all += "[" + m + "]";
        return all;
    }

    testsupport::ProgramFolder program;
    testsupport::TempDir output;
    AppPaths paths;
    ProfileSettings profile;
    std::string runSearchURL = "http://localhost/search/search.asp";
    bool idle = true;
    testsupport::RecordingMessages messages;
};

} // namespace generatortest
