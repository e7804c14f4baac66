// One direction of a grid: its lines (columns or rows), how many of them at the start are fixed, the size
// of each, and which scrolling line comes first after the fixed ones. Every line is followed by a grid line
// of one pixel. Sizes are kept only where they differ from the default, or from one size given at once to
// every line from some line on, so a grid of two billion rows costs nothing until rows are given sizes of
// their own. Every walk over the lines stops at the edge of the view, so its cost follows what is visible,
// not what is stored.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>

class TGridAxis {
public:
    // The widest line that is still painted; larger sizes are limited to it.
    static constexpr int kMaxSize = 32767;
    static constexpr int kLineWidth = 1;

    int Count() const { return count_; }
    int Fixed() const { return fixed_; }
    int DefaultSize() const { return defaultSize_; }
    int First() const { return first_; }
    int Extent() const { return extent_; }

    // At least one line; fixed lines, sizes and the first line follow a smaller count.
    void SetCount(int count);
    // At most Count − 1 fixed lines, so that one line can always scroll.
    void SetFixed(int fixed);
    // Gives every line the new default size.
    void SetDefaultSize(int size);
    // The size of line index; 0 for a line that does not exist.
    int Size(int index) const;
    // Ignored for a line that does not exist; sizes are limited to 0 … kMaxSize.
    void SetSize(int index, int size);
    // Gives every line from index on the size, however many lines there are (up to the next SetDefaultSize).
    void SetSizesFrom(int index, int size);
    // The first line from which every line up to the last has the same size: lines before it have sizes of
    // their own, so the lines up to this one tell every size.
    int UniformFrom() const;
    // The pixels of the view in this direction.
    void SetExtent(int extent);
    // Limited to Fixed() … MaxFirst().
    void SetFirst(int first);

    // The scroll position that shows the last line at the end of the view: the smallest first line from which
    // all lines up to the last fit (Count() − 1 when not even the last one fits, as before the view has a size).
    int MaxFirst() const;
    // The pixels the fixed lines with their grid lines take, counted no further than the view.
    int FixedExtent() const;
    // Where line index starts in the view; none when no pixel of it is visible.
    std::optional<int> Start(int index) const;
    // The line at a position of the view, or -1 for none (a grid line belongs to the line before it).
    int IndexAt(int position) const;
    // Scrolling lines wholly visible from First(), at least 1.
    int PageCount() const;
    // Calls visit(index, start) for every line with a visible pixel: the fixed lines, then the scrolling ones.
    void ForEachVisible(const std::function<void(int index, int start)>& visit) const;
    // Moves First() the least so that line index is wholly visible (or starts the view when it is larger).
    void ScrollInto(int index);

private:
    int Limited(int size) const;
    // The size of a line without a size of its own.
    int RestSize(int index) const { return index >= restFrom_ ? restSize_ : defaultSize_; }

    int count_ = 5;
    int fixed_ = 1;
    int defaultSize_ = 64;
    int first_ = 1;
    int extent_ = 0;
    std::map<int, int> sizes_;
    // Lines from restFrom_ on have restSize_ unless they have a size of their own.
    int restFrom_ = std::numeric_limits<int>::max();
    int restSize_ = 64;
};
