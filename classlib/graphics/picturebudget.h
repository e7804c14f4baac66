// The memory that the pictures of one window description may take together while it is read: the pictures
// of every image list, button, check box and label in it, each counted as an image list counts its own
// (TCustomImageList::kBytesPerPixel a pixel, with the native images a list will make). A budget per list
// alone lets a description of many lists take many times the memory of one. The reader opens a TScope for
// the length of a read; a read nested in it shares its budget. Outside a read nothing is counted.
#pragma once

#include <cstddef>

class TPictureBudget {
public:
    static const std::size_t kMaxBytes;

    class TScope {
    public:
        TScope();
        ~TScope();
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
    };

    // Raises Exception when bytes more would pass the budget of the read in progress.
    static void Check(std::size_t bytes);
    // Check, then counts the bytes.
    static void Take(std::size_t bytes);
    // A picture of width × height pixels as the budget counts it.
    static std::size_t PictureBytes(int width, int height);
};
