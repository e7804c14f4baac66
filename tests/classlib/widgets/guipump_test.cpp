#include "classlib/widgets/guipump.h"
#include "classlib/base/messagebox.h"
#include "classlib/base/thread.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

class TDeliverThread : public TThread {
public:
    std::atomic<int> delivered{0};
    std::thread::id ranOn;

protected:
    void Execute() override
    {
        for (int i = 0; i < 20; i++)
            Synchronize([this] {
                ranOn = std::this_thread::get_id();
                delivered++;
            });
    }
};

} // namespace

TEST(GuiPump, TheQtEventLoopRunsHandOffs)
{
    auto thread = TThread::Create<TDeliverThread>();
    while (!thread->Finished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    thread->WaitFor();
    EXPECT_EQ(thread->delivered, 20);
    EXPECT_EQ(thread->ranOn, std::this_thread::get_id());
}

TEST(GuiPump, MessageBoxShowsAModalWarningWithOneOkButton)
{
    const auto old = SetMessageBoxHandler({});
    TGuiPump::InstallMessageBoxHandler();
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        modality = box->windowModality();
        box->button(QMessageBox::Ok)->click();
    });
    const int answer = MessageBox(AnsiString::FromUtf8("Порт занят"), "COM port warning", MB_OK | MB_ICONWARNING | MB_APPLMODAL);
    SetMessageBoxHandler(old);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(text, QString::fromUtf8("Порт занят"));
    EXPECT_EQ(title, QString("COM port warning"));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(modality, Qt::ApplicationModal);
}
