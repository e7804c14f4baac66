// The Qt side of the class library's thread hand-off and message box.
// While a TGuiPump exists, the Qt event loop of the thread that created it runs the routines that worker
// threads hand to the GUI thread (TThread::Synchronize).
#pragma once

#include <QObject>

#include <atomic>

class AnsiString;
class QMessageBox;

class TGuiPump : public QObject {
    Q_OBJECT
public:
    explicit TGuiPump(QObject* parent = nullptr);
    ~TGuiPump() override;

    // Shows an application-modal QMessageBox for the message box routine and returns the button pressed.
    static int ShowMessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags);
    // Fills a box with the text, caption, icon and buttons that the flags ask for.
    static void SetupMessageBox(QMessageBox& box, const AnsiString& text, const AnsiString& caption, unsigned flags);
    // Makes the message box routine show ShowMessageBox's dialogs.
    static void InstallMessageBoxHandler();

private slots:
    void Drain();

private:
    void Wake();

    std::atomic<bool> posted_{false};
};
