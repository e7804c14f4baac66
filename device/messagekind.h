// Kinds of status line messages: success (green), normal (button face), error (red).
#pragma once

namespace device {

enum TMessageKind { mkSuccess = -1, mkNormal = 0, mkError = 1 };

} // namespace device
