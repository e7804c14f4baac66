// Window description reader under libFuzzer, with every class the program registers: any text either
// reads or fails with EReadError, and a text that reads is written again, read into a fresh form and
// written once more to the same text. Run it with the format's words: -dict=tests/fuzz/formreader.dict.
#include "app/formclasses.h"
#include "classlib/forms/classregistry.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/form.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "classlib/graphics/imagelist.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A serial port opened by a description finds no links of other programs in a folder of its own.
    static QTemporaryDir runtimeDir;
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
    static QApplication application(*argc, *argv);
    RegisterFormClasses();
    RegisterClass<TCustomImageList>("TCustomImageList");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TForm form;
    try {
        TFormReader::Read(&form, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EReadError&) {
        return 0;
    }
    const std::string written = TFormWriter::Write(&form);
    TForm copy;
    TFormReader::Read(&copy, written);
    if (TFormWriter::Write(&copy) != written)
        std::abort();
    return 0;
}
