#include "classlib/base/exceptionhandler.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace {

std::mutex handlerLock;
TExceptionHandler installedHandler;

} // namespace

std::string ExceptionMessage(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

void HandleException(std::exception_ptr error)
{
    TExceptionHandler handler;
    {
        std::lock_guard guard(handlerLock);
        handler = installedHandler;
    }
    if (handler)
        handler(std::move(error));
    else
        std::cerr << ExceptionMessage(std::move(error)) << '\n';
}

TExceptionHandler SetExceptionHandler(TExceptionHandler handler)
{
    std::lock_guard guard(handlerLock);
    return std::exchange(installedHandler, std::move(handler));
}
