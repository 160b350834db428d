#pragma once

#include <string>
#include <vector>

// The settings the program keeps per option profile, named by their registry keys.
struct ProfileSettings {
    int UseLinksType = 0;
    int CheckReplacePath = 1;
    std::string ReplaceURL = "https://www.example.com/";
    std::string HtmlFileType = "htm,html,shtm,shtml,asp,php,php3";
    std::string TextFileType = "txt,rtf,c,h,cpp";
    int UseThreadNum = 3;
    int IndexPageOtherSite = 0;
    std::vector<std::string> NoIncFileList; // the exclusion list
    std::string SelTemplateName = "Simple-ASP";
    std::string OutputPath; // defaults to the program folder + "/Output/"
    int OutputWindowType = 0;
    int OutputResultTitle = 1;
    int OutputResultText = 1;
    int OutputResultUrl = 1;
    int OutputResultInfo = 1;
    int NoNewSearchLink = 0;
    int NoPoweredBy = 0;
    int NoHorizLine = 0;
    int ResultTitleSize = 3;
    std::string ResultTitleFace = "arial";
    int ResultTitleColor = 16711680;
    int ResultTextSize = 2;
    std::string ResultTextFace = "arial";
    int ResultTextColor = 0;
    int ResultUrlSize = 2;
    std::string ResultUrlFace = "arial";
    int ResultUrlColor = 32768;
    int ResultInfoSize = 2;
    std::string ResultInfoFace = "arial";
    int ResultInfoColor = 0;
    int HitTitleColor = 3342540;
    int HitTextColor = 3342540;
    int IndexStrategy = 0;
    int MatchingStrategy = 0;
    int SearchStrategy = 0;
    int ScriptType = 1;
    int DatabaseType = 0;
    // How far a crawl may go; each has a range (SettingsSchema) so that no value can make a crawl endless
    // or let its threads together hold more than a few hundred MB of pages.
    int FetchTimeLimit = 300;  // seconds for one whole fetch, however slowly its bytes come
    int MaxPageSize = 8192;    // KB of one page's body
    int MaxUrlLength = 1024;   // characters of an address; links to longer ones are not followed
    int MaxPageCount = 100000; // addresses fetched per crawl
    // A polite crawl: robots.txt is obeyed unless the site is one's own; https servers must show a trusted
    // certificate unless a self-signed one is allowed for one's own test server.
    int IgnoreRobotsTxt = 0;
    int AllowSelfSigned = 0;
    // The character set of a page that names none and is not UTF-8 (folder pages and crawled ones).
    std::string FallbackCharset = "windows-1252";
    // The server database of the PHP engine (DatabaseType 2): where it is and the account the indexer
    // writes with. The password is no setting; it comes from the user's option file or MySqlPasswordFile.
    std::string MySqlHost = "localhost";
    int MySqlPort = 3306;
    std::string MySqlSocket; // instead of host and port, when set
    std::string MySqlDatabase = "findlark";
    std::string MySqlUser = "findlark";
    std::string MySqlPasswordFile;
    // Where search.php on the web server reads its read-only connection from: a file outside the
    // published folder, so that no credential is ever uploaded with the search files.
    std::string MySqlSearchConfig = "/etc/findlark/search-db.ini";

    // Profile defaults; only the output folder depends on where the program lives.
    static ProfileSettings defaults(const std::string& dataFolder);
};

// Every setting the application object holds: the global ones and the current profile.
struct Settings {
    std::vector<std::string> profileNames; // position n (from 1) is profile n
    int CurOption = 1;
    int OptionsNum = 1;
    std::string browseFolder; // start folder of the folder chooser
    std::string AddFolderInitPath;
    std::string RunSearchURL = "http://localhost/search/search.html";
    ProfileSettings profile;
    int IndexColon = 0;

    // Name of the current profile, or empty when the list has no such entry.
    std::string currentProfileName() const;
};

namespace ScriptTypes {
constexpr int JavaScript = 0;
constexpr int Asp = 1;
constexpr int Php = 2;
} // namespace ScriptTypes
