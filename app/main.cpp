// The program entry: the application object, its title and icon, the fonts the window names, the exception
// and message box displays, then the main window until it closes.
#include "app/formclasses.h"
#include "app/main_form.h"
#include "classlib/base/exception.h"
#include "classlib/base/exceptionhandler.h"
#include "classlib/base/formatsettings.h"
#include "classlib/widgets/guipump.h"
#include "classlib/base/messagebox.h"
#include "classlib/widgets/windowfonts.h"
#include "png/pngobject.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>

#include <exception>
#include <memory>
#include <sstream>

namespace {

// Decoded by the program's own PNG codec: QImage would first load every image format plugin of Qt to ask
// each whether it reads the file, which costs a noticeable part of the start-up.
QImage ResourcePicture(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    std::istringstream bytes(file.readAll().toStdString());
    TPNGObject picture;
    picture.LoadFromStream(bytes);
    return picture.ToQImage();
}

QIcon WindowIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 72})
        icon.addPixmap(QPixmap::fromImage(ResourcePicture(QStringLiteral(":/pictures/appicon_%1.png").arg(size))));
    return icon;
}

QString ToQString(const AnsiString& text) { return QString::fromStdString(text.ToUtf8()); }

void ShowException(std::exception_ptr error)
{
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          QString::fromStdString(ExceptionMessage(error)));
}

int ShowMessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags)
{
    const bool warning = (flags & MB_ICONMASK) == MB_ICONEXCLAMATION;
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, ToQString(caption), ToQString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
    return IDOK;
}

int RunProgram(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Zentor"));
    QApplication::setWindowIcon(WindowIcon());
    SetExceptionHandler(ShowException);
    SetMessageBoxHandler(ShowMessageBox);
    TWindowFonts::Register();
    RegisterFormClasses();
    // The program's numbers are written with a full stop and grouped by blanks, whatever the user's locale.
    FormatSettings().DecimalSeparator = '.';
    FormatSettings().ThousandSeparator = ' ';
    // The port's worker threads hand its events to this thread's event loop through the pump.
    TGuiPump pump;
    try {
        auto mainForm = std::make_unique<TMainForm>();
        mainForm->show();
        QApplication::exec();
    } catch (...) {
        HandleException(std::current_exception());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return RunProgram(argc, argv);
}
