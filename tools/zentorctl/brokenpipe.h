// A pipe on standard output whose reader has gone.
#pragma once

namespace zentorctl {

// Makes a write into such a pipe fail, as it does under Windows, instead of ending the program, so that the
// program reports the output it could not write with its own exit code.
void FailWritesToBrokenPipes();

} // namespace zentorctl
