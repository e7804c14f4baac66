#include "QtCore/qglobal.h"
