// Real X input for the tests that need the X server's own event paths (popups, double clicks, input methods):
// they run on Qt's xcb platform under a private Xvfb (tests/support/run_under_xvfb.sh), xdotool moves the pointer,
// clicks and types through the server, and the test waits, bounded, for what the input must bring about. Their
// names hold "X11"; on any other platform they are skipped.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <map>

inline bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

#define SKIP_WITHOUT_X11()                                                                                             \
    do {                                                                                                               \
        if (!OnX11()) {                                                                                                \
            GTEST_SKIP() << "needs real X input: runs under Xvfb (ctest -R x11)";                                     \
        }                                                                                                              \
    } while (false)

constexpr int kXWaitMs = 5000;

// Runs xdotool with the arguments, at most 10 s; true when it succeeded.
inline bool XDoTool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(10'000)) {
        xdotool.kill();
        xdotool.waitForFinished();
        return false;
    }
    return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

// Moves the pointer onto the point of the widget (local coordinates); the server keeps the order of what follows.
inline bool XMoveTo(const QWidget& widget, QPoint local)
{
    const QPoint global = widget.mapToGlobal(local);
    return XDoTool({"mousemove", QString::number(global.x()), QString::number(global.y())});
}

// Clicks (count times, 60 ms apart: a double click for 2) with the button (1 left, 2 middle, 3 right) at the point.
inline bool XClick(const QWidget& widget, QPoint local, int button = 1, int count = 1)
{
    return XMoveTo(widget, local) &&
           XDoTool({"click", "--repeat", QString::number(count), "--delay", "60", QString::number(button)});
}

// Keys by their X names ("alt+Down", "Return", "dead_acute"), to whatever has the keyboard.
inline bool XKeys(const QStringList& keys)
{
    return XDoTool(QStringList{"key", "--delay", "40"} + keys);
}

// Shows the window and waits until it is on the screen and has the keyboard.
inline bool ShowActive(QWidget& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, kXWaitMs))
        return false;
    window.activateWindow();
    window.raise();
    return QTest::qWaitForWindowActive(&window, kXWaitMs);
}

// Counts the events of each type that reach a widget, before the widget itself sees them.
class EventCounter : public QObject {
public:
    explicit EventCounter(QObject* watched) : QObject(watched) { watched->installEventFilter(this); }

    int Count(QEvent::Type type) const
    {
        const auto found = counts_.find(type);
        return found == counts_.end() ? 0 : found->second;
    }

    // Waits until count events of the type arrived, then lets everything those events set off run out.
    bool WaitFor(QEvent::Type type, int count = 1)
    {
        const bool arrived = QTest::qWaitFor([&] { return Count(type) >= count; }, kXWaitMs);
        QCoreApplication::processEvents();
        return arrived;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        ++counts_[event->type()];
        return false;
    }

private:
    std::map<QEvent::Type, int> counts_;
};
