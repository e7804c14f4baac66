// Request frames of the device as hexadecimal text: A5 96 op reg data checksum, where the checksum is the
// sum of the bytes after the start byte, modulo 256.
#pragma once

#include "classlib/base/ansistring.h"

namespace device {

inline const AnsiString kStartByte = "A5";
inline const AnsiString kFrameTag = "96";
inline const AnsiString kOpRead = "00";
inline const AnsiString kOpWrite = "01";
inline const AnsiString kReadData = "00";

// The low 8 bits of the sum of the text's byte pairs, as two upper-case digits. A pair that is not
// hexadecimal adds 0; a lone trailing digit is ignored; empty text gives "00".
AnsiString FrameChecksum(const AnsiString& hexText);

// The twelve digits of the frame for operation op ("00" or "01"), register reg and data, each two digits.
AnsiString BuildRequest(const AnsiString& op, const AnsiString& reg, const AnsiString& data);
AnsiString BuildReadRequest(const AnsiString& reg);
AnsiString BuildWriteRequest(const AnsiString& reg, const AnsiString& data);

} // namespace device
