#pragma once

#include <string>

// The per-user data folder of the program: $XDG_DATA_HOME/Tidewell/findlark, normally
// ~/.local/share/Tidewell/findlark. Not made here.
std::string UserDataFolder();
