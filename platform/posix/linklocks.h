// Locks beside the COM links: a process holds "COM<n>.lock" in the links folder for as long as its link
// COM<n> is to count. The kernel drops the lock when the process ends, however it ends, so a link left
// behind by a killed process is known to be stale. A "COM<n>.lock" that is not a regular file of this user
// (a FIFO, a folder, a device, another user's file) is no lock: it is never taken, never counts as held,
// and is never waited for.
#pragma once

#include <string>

namespace platform {

// Takes the lock of COM<number> for this process; true when this process holds it afterwards.
bool HoldLinkLock(const std::string& folder, int number);
// This process holds the lock of COM<number>.
bool HoldsLinkLock(const std::string& folder, int number);
// Removes the lock file and lets the lock go, if this process holds it.
void ReleaseLinkLock(const std::string& folder, int number);
// Some process, this one included, holds the lock of COM<number>.
bool LinkLockHeld(const std::string& folder, int number);
// Why the lock of COM<number> cannot be taken for a reason other than another holder ("... is a FIFO, not a
// lock file"), or empty.
std::string LinkLockProblem(const std::string& folder, int number);

} // namespace platform
