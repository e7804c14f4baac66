#include "classlib/graphics/picturebudget.h"

#include "classlib/base/exception.h"
#include "classlib/graphics/imagelist.h"

#include <string>

namespace {

struct TReadState {
    int depth = 0;
    std::size_t used = 0;
};

// Descriptions are read on the thread of the user interface; each thread would have a budget of its own.
thread_local TReadState state;

} // namespace

const std::size_t TPictureBudget::kMaxBytes = TCustomImageList::kMaxBytes;

TPictureBudget::TScope::TScope()
{
    if (state.depth++ == 0)
        state.used = 0;
}

TPictureBudget::TScope::~TScope()
{
    --state.depth;
}

void TPictureBudget::Check(std::size_t bytes)
{
    if (state.depth > 0 && (bytes > kMaxBytes || state.used > kMaxBytes - bytes))
        throw Exception("the pictures of the window description would take more than " +
                        std::to_string(kMaxBytes >> 20) + " MiB");
}

void TPictureBudget::Take(std::size_t bytes)
{
    Check(bytes);
    if (state.depth > 0)
        state.used += bytes;
}

std::size_t TPictureBudget::PictureBytes(int width, int height)
{
    return std::size_t(width > 0 ? width : 0) * std::size_t(height > 0 ? height : 0) * TCustomImageList::kBytesPerPixel;
}
