// The application's standard exception display. An event handler that raises is reported here and the
// program goes on; the GUI installs a handler that shows a dialog, tests install a collector.
// Without a handler the message goes to standard error.
#pragma once

#include <exception>
#include <functional>
#include <string>

using TExceptionHandler = std::function<void(std::exception_ptr error)>;

void HandleException(std::exception_ptr error);

// Installs the handler and returns the one it replaces; an empty handler restores the standard-error output.
TExceptionHandler SetExceptionHandler(TExceptionHandler handler);

// The readable message of an exception.
std::string ExceptionMessage(std::exception_ptr error);

// Runs an event handler; an exception it raises goes to HandleException instead of the caller.
template <class Routine>
void RunHandler(Routine&& routine)
{
    try {
        routine();
    } catch (...) {
        HandleException(std::current_exception());
    }
}
