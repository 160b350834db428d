#include "app/Settings.h"

ProfileSettings ProfileSettings::defaults(const std::string& dataFolder) {
    ProfileSettings p;
    p.OutputPath = dataFolder + "/Output/";
    return p;
}

std::string Settings::currentProfileName() const {
    if (CurOption < 1 || static_cast<size_t>(CurOption) > profileNames.size())
        return {};
    return profileNames[static_cast<size_t>(CurOption) - 1];
}
