#include "app/SettingsSchema.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

constexpr ProfileKey intKey(const char* name, int ProfileSettings::*member) {
    return {name, SettingKind::Int, member, nullptr};
}
constexpr ProfileKey boundedKey(const char* name, int ProfileSettings::*member, int minimum, int maximum) {
    return {name, SettingKind::Int, member, nullptr, true, minimum, maximum};
}
constexpr ProfileKey stringKey(const char* name, std::string ProfileSettings::*member) {
    return {name, SettingKind::String, nullptr, member};
}

using P = ProfileSettings;
const std::array kProfileKeys{
    intKey("UseLinksType", &P::UseLinksType),
    intKey("CheckReplacePath", &P::CheckReplacePath),
    stringKey("ReplaceURL", &P::ReplaceURL),
    stringKey("HtmlFileType", &P::HtmlFileType),
    stringKey("TextFileType", &P::TextFileType),
    // None would never fetch; thousands would start a thread each.
    boundedKey("UseThreadNum", &P::UseThreadNum, 1, 20),
    intKey("IndexPageOtherSite", &P::IndexPageOtherSite),
    ProfileKey{"NoIncFileListItemNum", SettingKind::List},
    stringKey("SelTemplateName", &P::SelTemplateName),
    stringKey("OutputPath", &P::OutputPath),
    intKey("OutputWindowType", &P::OutputWindowType),
    intKey("OutputResultTitle", &P::OutputResultTitle),
    intKey("OutputResultText", &P::OutputResultText),
    intKey("OutputResultUrl", &P::OutputResultUrl),
    intKey("OutputResultInfo", &P::OutputResultInfo),
    intKey("NoNewSearchLink", &P::NoNewSearchLink),
    intKey("NoPoweredBy", &P::NoPoweredBy),
    intKey("NoHorizLine", &P::NoHorizLine),
    intKey("ResultTitleSize", &P::ResultTitleSize),
    stringKey("ResultTitleFace", &P::ResultTitleFace),
    intKey("ResultTitleColor", &P::ResultTitleColor),
    intKey("ResultTextSize", &P::ResultTextSize),
    stringKey("ResultTextFace", &P::ResultTextFace),
    intKey("ResultTextColor", &P::ResultTextColor),
    intKey("ResultUrlSize", &P::ResultUrlSize),
    stringKey("ResultUrlFace", &P::ResultUrlFace),
    intKey("ResultUrlColor", &P::ResultUrlColor),
    intKey("ResultInfoSize", &P::ResultInfoSize),
    stringKey("ResultInfoFace", &P::ResultInfoFace),
    intKey("ResultInfoColor", &P::ResultInfoColor),
    intKey("HitTitleColor", &P::HitTitleColor),
    intKey("HitTextColor", &P::HitTextColor),
    intKey("IndexStrategy", &P::IndexStrategy),
    intKey("MatchingStrategy", &P::MatchingStrategy),
    intKey("SearchStrategy", &P::SearchStrategy),
    intKey("ScriptType", &P::ScriptType),
    intKey("DatabaseType", &P::DatabaseType),
    boundedKey("FetchTimeLimit", &P::FetchTimeLimit, 5, 3600),
    // 20 threads at the top of the range hold at most 320 MB of pages.
    boundedKey("MaxPageSize", &P::MaxPageSize, 16, 16384),
    boundedKey("MaxUrlLength", &P::MaxUrlLength, 64, 8192),
    boundedKey("MaxPageCount", &P::MaxPageCount, 1, 10000000),
    boundedKey("IgnoreRobotsTxt", &P::IgnoreRobotsTxt, 0, 1),
    boundedKey("AllowSelfSigned", &P::AllowSelfSigned, 0, 1),
    stringKey("FallbackCharset", &P::FallbackCharset),
    stringKey("MySqlHost", &P::MySqlHost),
    boundedKey("MySqlPort", &P::MySqlPort, 0, 65535),
    stringKey("MySqlSocket", &P::MySqlSocket),
    stringKey("MySqlDatabase", &P::MySqlDatabase),
    stringKey("MySqlUser", &P::MySqlUser),
    stringKey("MySqlPasswordFile", &P::MySqlPasswordFile),
    stringKey("MySqlSearchConfig", &P::MySqlSearchConfig),
};

} // namespace

std::span<const ProfileKey> profileKeys() {
    return kProfileKeys;
}

const ProfileKey* findProfileKey(std::string_view name) {
    for (const ProfileKey& key : kProfileKeys)
        if (name == key.name)
            return &key;
    return nullptr;
}

int ProfileKey::nearest(int value) const {
    return bounded ? std::clamp(value, minimum, maximum) : value;
}

void ClampToBounds(ProfileSettings& profile) {
    for (const ProfileKey& key : kProfileKeys)
        if (key.bounded)
            profile.*key.intMember = key.nearest(profile.*key.intMember);
}

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}
