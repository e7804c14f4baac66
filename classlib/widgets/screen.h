// The screen cursor of the whole application, as the class library's Screen->Cursor: crDefault lets each
// control show its own cursor, any other value overrides them all until it is set back.
#pragma once

#include "classlib/widgets/controlproperties.h"

class TScreen {
public:
    static TCursor Cursor();
    static void SetCursor(TCursor cursor);
};
