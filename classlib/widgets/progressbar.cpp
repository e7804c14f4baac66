#include "classlib/widgets/progressbar.h"

#include "classlib/base/exception.h"
#include "classlib/widgets/accessiblecontrol.h"

#include <algorithm>
#include <string>

namespace {

void CheckRange(int min, int max)
{
    if (min > max)
        throw Exception(AnsiString::FromUtf8("Min " + std::to_string(min) + " is above Max " + std::to_string(max)));
}

} // namespace

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent)
{
    TAccessibleControl::Install();
    setRange(0, 100);
    setTextVisible(false);
    ShowPosition();
}

void TProgressBar::SetMin(int value)
{
    CheckRange(value, maximum());
    setMinimum(value);
    ShowPosition();
}

void TProgressBar::SetMax(int value)
{
    CheckRange(minimum(), value);
    setMaximum(value);
    ShowPosition();
}

void TProgressBar::SetPosition(int value)
{
    position_ = value;
    ShowPosition();
}

void TProgressBar::ShowPosition()
{
    position_ = std::clamp(position_, minimum(), maximum());
    setValue(position_);
}
