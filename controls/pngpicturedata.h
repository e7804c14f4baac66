// A control's PNG picture in a window description: "<Property>.Data" holds the complete PNG file.
#pragma once

#include "classlib/widgets/filer.h"
#include "png/pngobject.h"

#include <functional>
#include <string>

// Defines "<property>.Data" on filer. Reading loads the file and hands the picture to assign (the property's
// setter); a value that is not binary data or not a PNG file raises Exception with a plain message and
// changes nothing. Writing stores the picture as a PNG file, only when it is not empty.
void DefinePngPictureData(TFiler& filer, const std::string& property, const TPNGObject& picture,
                          std::function<void(const TPNGObject&)> assign);
