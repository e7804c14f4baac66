#include "tools/zentorctl/brokenpipe.h"

namespace zentorctl {

// Windows has no SIGPIPE: a write into a pipe without reader already fails.
void FailWritesToBrokenPipes() {}

} // namespace zentorctl
