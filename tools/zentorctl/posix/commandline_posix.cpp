#include "tools/zentorctl/commandline.h"

namespace zentorctl {

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

} // namespace zentorctl
