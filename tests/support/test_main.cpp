// Test entry shared by every test program: an offscreen Qt application with a private runtime folder.
#include "classlib/widgets/guipump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir runtimeDir;
    setenv("XDG_RUNTIME_DIR", QDir::toNativeSeparators(runtimeDir.path()).toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    TGuiPump pump; // the event loop runs routines that worker threads hand to the GUI thread
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
