// Where the program keeps its settings file.
#pragma once

#include <string>

namespace platform {

// The working folder, where the user may create files in it. On Windows, where not (a program started from
// its folder under "C:\Program Files", as Explorer and a shortcut do), the user's application data folder
// "%APPDATA%\<programName>", made when missing, so that settings survive; the working folder again when
// that cannot be had either. An installed copy (its uninstaller "uninstall.exe" beside it) started in its
// own folder, as Explorer does, also keeps them in "%APPDATA%\<programName>", where its shortcut starts
// it: one settings file however it is started.
std::string SettingsFolder(const std::string& programName);

} // namespace platform
