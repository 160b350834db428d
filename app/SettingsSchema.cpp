#include "app/SettingsSchema.h"

#include <array>
#include <charconv>

namespace {

constexpr ProfileKey intKey(const char* name, int ProfileSettings::*member) {
    return {name, SettingKind::Int, member, nullptr};
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
    intKey("UseThreadNum", &P::UseThreadNum),
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
