#include "app/openfailurecausetext.h"

// Windows itself answers a port held by another program with "access denied" (that is "in use"); what
// remains is a refusal by the port's security settings.
const char* NoPermissionCauseText() { return "нет прав доступа к порту"; }
