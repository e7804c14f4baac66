#include "app/openfailurecausetext.h"

// Serial device nodes belong to the group dialout; its members may open them.
const char* NoPermissionCauseText() { return "нет прав доступа к порту (группа dialout)"; }
