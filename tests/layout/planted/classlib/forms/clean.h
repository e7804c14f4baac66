#include "classlib/base/tcolor.h"
