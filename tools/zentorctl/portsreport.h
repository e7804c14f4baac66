// What `zentorctl ports` prints: one line per port (number, kind, path, description), or one JSON object
// with every field by name; and the warning about a links folder that is not read.
#pragma once

#include "platform/portmap.h"
#include "tools/zentorctl/ctloutput.h"

#include <string>
#include <vector>

namespace zentorctl {

// Lists the ports whose numbers --port accepts, by number.
TReport ReportPorts(const std::vector<platform::TPortMapEntry>& ports, bool json);

// "zentorctl: <problem>\n" for standard error; empty when there is no problem.
std::string LinkFolderWarning(const std::string& problem);

} // namespace zentorctl
