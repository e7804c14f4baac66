// A message-driven timer: OnTimer fires every Interval milliseconds on the GUI thread while Enabled is True
// and Interval is above zero, never before its interval has passed (a precise timer: Qt's default coarse one
// may fire up to 5% early). Setting Enabled or Interval stops the timer and starts it again from zero.
#pragma once

#include "classlib/widgets/designposition.h"

#include <QObject>
#include <QTimer>

class TTimer : public QObject, public TDefinesProperties {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)

public:
    explicit TTimer(QObject* owner = nullptr);

    bool Enabled() const { return enabled_; }
    int Interval() const { return interval_; }
    void SetEnabled(bool value);
    // Milliseconds; zero or less keeps the timer from firing.
    void SetInterval(int value);

    void DefineProperties(TFiler& filer) override { position_.DefineProperties(filer); }

signals:
    void OnTimer(QObject* Sender);

private:
    void UpdateTimer();

    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
    TDesignPosition position_;
};
