// The user's configuration folder of the program, where it keeps its files when the desktop menu starts it.
#pragma once

#include <string>

namespace platform {

// Makes the folder the working folder: $XDG_CONFIG_HOME/zentor, or ~/.config/zentor when XDG_CONFIG_HOME is
// unset or not absolute; missing levels are made with mode 0700. On Windows the working folder stays, since
// the settings file finds its own folder there. False, with the reason in error, when it cannot be entered.
bool EnterConfigFolder(std::string& error);

} // namespace platform
