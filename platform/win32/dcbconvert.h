// The line settings record and the time-outs in the Windows driver's own structures.
#pragma once

#include "platform/serialdevice.h"

#include <windows.h>

namespace platform {

// The record's fields and flag word written over the driver's block; the block's own length field and
// reserved words stay as the driver gave them.
void ApplyDcb(const TDcb& dcb, DCB& native);
TDcb DcbFromNative(const DCB& native);

// Reads return at once with the bytes already waiting, whatever the caller's read time-outs say: the
// workers ask only for what the driver reported. Write time-outs are passed on.
COMMTIMEOUTS NativeTimeouts(const TCommTimeouts& timeouts);

} // namespace platform
