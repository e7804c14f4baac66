#include "classlib/widgets/gridaxis.h"

#include <algorithm>

void TGridAxis::SetCount(int count)
{
    count_ = std::max(1, count);
    sizes_.erase(sizes_.lower_bound(count_), sizes_.end());
    if (restFrom_ >= count_)
        restFrom_ = std::numeric_limits<int>::max();
    SetFixed(fixed_);
}

void TGridAxis::SetFixed(int fixed)
{
    fixed_ = std::clamp(fixed, 0, count_ - 1);
    SetFirst(first_);
}

void TGridAxis::SetDefaultSize(int size)
{
    defaultSize_ = Limited(size);
    sizes_.clear();
    restFrom_ = std::numeric_limits<int>::max();
    SetFirst(first_);
}

int TGridAxis::Size(int index) const
{
    if (index < 0 || index >= count_)
        return 0;
    const auto own = sizes_.find(index);
    return own == sizes_.end() ? RestSize(index) : own->second;
}

void TGridAxis::SetSize(int index, int size)
{
    if (index < 0 || index >= count_)
        return;
    const int limited = Limited(size);
    if (limited == RestSize(index))
        sizes_.erase(index);
    else
        sizes_[index] = limited;
    SetFirst(first_);
}

void TGridAxis::SetSizesFrom(int index, int size)
{
    if (index < 0 || index >= count_)
        return;
    sizes_.erase(sizes_.lower_bound(index), sizes_.end());
    restFrom_ = index;
    restSize_ = Limited(size);
    SetFirst(first_);
}

int TGridAxis::UniformFrom() const
{
    const int afterOwn = sizes_.empty() ? 0 : sizes_.rbegin()->first + 1;
    const int rest = restFrom_ < count_ && restSize_ != defaultSize_ ? restFrom_ : 0;
    return std::min(std::max(afterOwn, rest), count_ - 1);
}

void TGridAxis::SetExtent(int extent)
{
    extent_ = std::max(0, extent);
    SetFirst(first_);
}

void TGridAxis::SetFirst(int first)
{
    first_ = std::clamp(first, fixed_, std::max(fixed_, MaxFirst()));
}

int TGridAxis::MaxFirst() const
{
    const int room = extent_ - FixedExtent();
    int first = count_;
    for (int used = 0; first > fixed_; --first) {
        used += Size(first - 1) + kLineWidth;
        if (used > room)
            break;
    }
    return std::clamp(first, fixed_, count_ - 1);
}

int TGridAxis::FixedExtent() const
{
    int extent = 0;
    for (int index = 0; index < fixed_ && extent <= extent_; ++index)
        extent += Size(index) + kLineWidth;
    return extent;
}

std::optional<int> TGridAxis::Start(int index) const
{
    if (index < 0 || index >= count_ || (index >= fixed_ && index < first_))
        return std::nullopt;
    const bool fixed = index < fixed_;
    int position = fixed ? 0 : FixedExtent();
    for (int line = fixed ? 0 : first_; line < index && position < extent_; ++line)
        position += Size(line) + kLineWidth;
    if (position >= extent_)
        return std::nullopt;
    return position;
}

int TGridAxis::IndexAt(int position) const
{
    int found = -1;
    if (position < 0 || position >= extent_)
        return found;
    ForEachVisible([&](int index, int start) {
        if (position >= start && position < start + Size(index) + kLineWidth)
            found = index;
    });
    return found;
}

int TGridAxis::PageCount() const
{
    const int room = extent_ - FixedExtent();
    int count = 0;
    for (int index = first_, used = 0; index < count_; ++index, ++count) {
        used += Size(index) + kLineWidth;
        if (used > room)
            break;
    }
    return std::max(1, count);
}

void TGridAxis::ForEachVisible(const std::function<void(int index, int start)>& visit) const
{
    int position = 0;
    for (int index = 0; index < fixed_ && position < extent_; ++index) {
        visit(index, position);
        position += Size(index) + kLineWidth;
    }
    for (int index = first_; index < count_ && position < extent_; ++index) {
        visit(index, position);
        position += Size(index) + kLineWidth;
    }
}

void TGridAxis::ScrollInto(int index)
{
    if (index < fixed_ || index >= count_)
        return;
    if (index < first_) {
        SetFirst(index);
        return;
    }
    const int room = extent_ - FixedExtent();
    int first = index;
    for (int used = Size(index) + kLineWidth; first > fixed_; --first) {
        used += Size(first - 1) + kLineWidth;
        if (used > room)
            break;
    }
    if (first_ < first)
        SetFirst(first);
}

int TGridAxis::Limited(int size) const
{
    return std::clamp(size, 0, kMaxSize);
}
