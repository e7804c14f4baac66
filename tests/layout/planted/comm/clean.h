#include <queue>
#include "classlib/base/ansistring.h"
// #include <QString>
