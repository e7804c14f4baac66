// Why a port did not open, in the words the status line's tool tip gives the user. Qt-free, so that the
// Windows build's tests check the words under Wine.
#pragma once

#include "classlib/base/ansistring.h"
#include "platform/serialdevice.h"

const AnsiString& OpenFailureCauseText(platform::SerialCause cause);

// The words for a port the system refuses the user, each system's own (app/posix, app/win32): a hint that
// names a Linux group means nothing on Windows.
const char* NoPermissionCauseText();
