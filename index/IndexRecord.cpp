#include "index/IndexRecord.h"
#include "platform/AsciiText.h"

#include <algorithm>

#include "app/Settings.h"

namespace IndexDataFormat {

std::string recordLine(const IndexRecord& record) {
    const PageFields& f = record.fields;
    std::string line;
    line.reserve(64 + record.link.size() + f.title.size() + f.text.size() + f.keywords.size() +
                 f.description.size() + f.linkDescription.size());
    line += "arrFiles[";
    line += std::to_string(record.number);
    line += "]=new Array(";
    const std::string_view values[] = {record.link, f.title,       f.text,
                                       f.keywords,  f.description, f.linkDescription};
    for (size_t i = 0; i < std::size(values); ++i) {
        if (i > 0)
            line += ',';
        line += '"';
        line += values[i];
        line += '"';
    }
    line += ");";
    return line;
}

std::string trailer(int recordCount) {
    return "fileNum=" + std::to_string(recordCount) + ";";
}

} // namespace IndexDataFormat

namespace {

std::string_view trimLeading(std::string_view text) {
    while (!text.empty() && AsciiText::isWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && text.front() == '\\')
        text.remove_prefix(1);
    while (!text.empty() && text.front() == '/')
        text.remove_prefix(1);
    return text;
}

std::string linkForm(const std::string& location, const std::string& root, const ProfileSettings& profile) {
    const bool underRoot = !root.empty() && location.starts_with(root);
    if (profile.UseLinksType == 0) {
        std::string_view rest = location;
        if (underRoot)
            rest.remove_prefix(root.size());
        return std::string(trimLeading(rest));
    }
    if (profile.CheckReplacePath == 1 && underRoot)
        return profile.ReplaceURL + location.substr(root.size());
    return location;
}

} // namespace

std::string EscapeLink(std::string_view link) {
    std::string escaped;
    escaped.reserve(link.size());
    for (const char c : link) {
        switch (c) {
        case '"':
            escaped += "\\\"";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string MakeRecordLink(const std::string& location, const std::string& root,
                           const ProfileSettings& profile) {
    std::string link = linkForm(location, root, profile);
    std::replace(link.begin(), link.end(), '\\', '/');
    return EscapeLink(link);
}
