// The program's own command-line options, read before the toolkit sees the arguments: --help and --version
// print and end the program; --in-config-folder (the menu entry's) runs it in the user's configuration
// folder instead of the working folder. Anything else is left to the toolkit (-display, -platform ...).
#pragma once

#include <string>
#include <vector>

struct TStartOptions {
    bool Help = false;
    bool Version = false;
    bool InConfigFolder = false;
};

TStartOptions ParseStartOptions(const std::vector<std::string>& arguments);

extern const char* const kZentorUsage;
