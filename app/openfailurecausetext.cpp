#include "app/openfailurecausetext.h"

const AnsiString& OpenFailureCauseText(platform::SerialCause cause)
{
    static const AnsiString noSuchPort = AnsiString::FromUtf8("порт не найден");
    static const AnsiString inUse = AnsiString::FromUtf8("порт занят другой программой");
    static const AnsiString noPermission = AnsiString::FromUtf8(NoPermissionCauseText());
    static const AnsiString other = AnsiString::FromUtf8("порт не открылся по другой причине");
    switch (cause) {
    case platform::SerialCause::NoSuchPort: return noSuchPort;
    case platform::SerialCause::InUse: return inUse;
    case platform::SerialCause::NoPermission: return noPermission;
    default: return other;
    }
}
