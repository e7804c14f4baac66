// The program's arguments as the user typed them.
#pragma once

#include <string>
#include <vector>

namespace zentorctl {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

} // namespace zentorctl
