  #  include "classlib/widgets/form.h"
