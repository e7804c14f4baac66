// The application's message box. The GUI installs a handler that shows a real dialog; tests install a collector.
// Without a handler the message goes to standard error and the box counts as answered with OK.
#pragma once

#include "classlib/base/ansistring.h"

#include <functional>

// Buttons, icons and modality, with the values of the Windows message box flags.
constexpr unsigned MB_OK = 0x00000000;
constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_APPLMODAL = 0x00000000;
constexpr unsigned MB_ICONMASK = 0x000000F0;
constexpr unsigned MB_TYPEMASK = 0x0000000F;

// The button that closed the box.
constexpr int IDOK = 1;

using TMessageBoxHandler = std::function<int(const AnsiString& text, const AnsiString& caption, unsigned flags)>;

// Shows the box on the calling thread and returns the button pressed.
int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags);

// Installs the handler and returns the one it replaces; an empty handler restores the standard-error output.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
