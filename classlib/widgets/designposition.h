// Where a non-visual component sits on its form at design time ("Left" and "Top" in the window description).
// The program does not use it; it is kept so that a description reads and writes back unchanged.
#pragma once

#include "classlib/widgets/filer.h"

class TDesignPosition {
public:
    int Left = 0;
    int Top = 0;

    // Defines "Left" and "Top" as stored values of the component that owns this position; each is written
    // only when not zero.
    void DefineProperties(TFiler& filer);
};
