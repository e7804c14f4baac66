#include "classlib/widgets/timer.h"

TTimer::TTimer(QObject* owner) : QObject(owner)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { emit OnTimer(this); });
    UpdateTimer();
}

void TTimer::SetEnabled(bool value)
{
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(int value)
{
    interval_ = value;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}
