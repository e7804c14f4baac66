#include "tools/zentorctl/brokenpipe.h"

#include <csignal>

namespace zentorctl {

void FailWritesToBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

} // namespace zentorctl
