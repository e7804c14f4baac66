#include "classlib/widgets/guipump.h"

#include "classlib/base/messagebox.h"
#include "classlib/base/synchronizequeue.h"

#include <QMessageBox>
#include <QString>

#include <thread>

namespace {

QString ToQString(const AnsiString& text)
{
    return QString::fromStdString(text.ToUtf8());
}

QMessageBox::Icon IconOf(unsigned flags)
{
    switch (flags & MB_ICONMASK) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

TGuiPump::TGuiPump(QObject* parent) : QObject(parent)
{
    auto& queue = TSynchronizeQueue::Instance();
    queue.SetMainThread(std::this_thread::get_id());
    queue.SetWakeHook([this] { Wake(); });
}

TGuiPump::~TGuiPump()
{
    TSynchronizeQueue::Instance().SetWakeHook({});
}

// Called on a worker thread: one queued call to Drain is enough for every routine queued before it runs.
// The call is queued by name, so the event that carries it is made and read inside Qt alone.
void TGuiPump::Wake()
{
    if (!posted_.exchange(true))
        QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

void TGuiPump::Drain()
{
    posted_.store(false);
    CheckSynchronize();
}

void TGuiPump::SetupMessageBox(QMessageBox& box, const AnsiString& text, const AnsiString& caption, unsigned flags)
{
    box.setText(ToQString(text));
    box.setWindowTitle(ToQString(caption));
    box.setIcon(IconOf(flags));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
}

int TGuiPump::ShowMessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags)
{
    QMessageBox box;
    SetupMessageBox(box, text, caption, flags);
    box.exec();
    return IDOK;
}

void TGuiPump::InstallMessageBoxHandler()
{
    SetMessageBoxHandler(&TGuiPump::ShowMessageBox);
}
