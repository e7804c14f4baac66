// The program entry: its own options, the application object, its title and icon, the fonts the window
// names, the exception and message box displays, then the main window until it closes.
#include "app/configfile.h"
#include "app/formclasses.h"
#include "app/main_form.h"
#include "app/programfolder.h"
#include "app/startoptions.h"
#include "classlib/base/exception.h"
#include "classlib/base/exceptionhandler.h"
#include "classlib/base/formatsettings.h"
#include "classlib/widgets/guipump.h"
#include "classlib/base/messagebox.h"
#include "classlib/widgets/windowfonts.h"
#include "platform/configfolder.h"
#include "png/pngobject.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string("\"") + value + "\"" : std::string("unset");
}

QtMessageHandler toolkitMessages = nullptr;

// The toolkit ends the process with an abort when no display can be opened; the program ends with a
// message that says so, and exit code 1, instead.
void EndWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (toolkitMessages)
            toolkitMessages(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        return;
    }
    std::fprintf(stderr,
                 "zentor: no display could be opened (DISPLAY %s, WAYLAND_DISPLAY %s): the window needs a desktop "
                 "session; zentorctl works without one\n",
                 EnvironmentText("DISPLAY").c_str(), EnvironmentText("WAYLAND_DISPLAY").c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

int RunProgram(int argc, char** argv)
{
    toolkitMessages = qInstallMessageHandler(EndWithoutDisplay);
    QApplication application(argc, argv);
    qInstallMessageHandler(toolkitMessages);
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
    const TStartOptions options = ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.Help || options.Version) {
        std::fputs(options.Help ? kZentorUsage : "zentor " ZENTOR_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!ProgramFolderComplete())
        return 1;
    std::string error;
    if (options.InConfigFolder) {
        if (!platform::EnterConfigFolder(error)) {
            std::fprintf(stderr, "zentor: the configuration folder cannot be used: %s\n", error.c_str());
            return 1;
        }
        // The configuration was made for the folder the program started in.
        ConfigFile = TConfigFile();
    }
    return RunProgram(argc, argv);
}
