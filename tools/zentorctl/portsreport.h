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

// Tells of a links folder that is not read: "zentorctl: <problem>" first on standard error, or the field
// "warning" of the JSON object, since with --json nothing goes to standard error. Nothing when problem is empty.
void AddLinkFolderWarning(TReport& report, const std::string& problem, bool json);

} // namespace zentorctl
