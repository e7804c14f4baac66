#include "classlib/base/messagebox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex handlerLock;
TMessageBoxHandler installed;

int PrintMessage(const AnsiString& text, const AnsiString& caption, unsigned)
{
    std::fprintf(stderr, "%s: %s\n", caption.ToUtf8().c_str(), text.ToUtf8().c_str());
    return IDOK;
}

} // namespace

int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags)
{
    TMessageBoxHandler handler;
    {
        std::lock_guard guard(handlerLock);
        handler = installed;
    }
    return handler ? handler(text, caption, flags) : PrintMessage(text, caption, flags);
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler)
{
    std::lock_guard guard(handlerLock);
    return std::exchange(installed, std::move(handler));
}
