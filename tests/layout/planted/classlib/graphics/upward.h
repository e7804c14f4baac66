#include "../widgets/form.h"
#include <classlib/forms/formreader.h>
#include "classlib//widgets/form.h"
#include "./../forms/formwriter.h"
#include "classlib/base/tcolor.h"
