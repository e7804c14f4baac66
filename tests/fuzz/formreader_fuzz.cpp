// Window description reader under libFuzzer: any text either reads or fails with EReadError, and a text
// that reads is written again, read into a fresh form and written once more to the same text.
#include "classlib/classregistry.h"
#include "classlib/exception.h"
#include "classlib/formreader.h"
#include "classlib/formwriter.h"
#include "classlib/imagelist.h"
#include "png/pngimagelist.h"

#include <QApplication>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    RegisterClass<QWidget>("TForm");
    RegisterClass<TCustomImageList>("TCustomImageList");
    RegisterClass<TPngImageList>("TPngImageList");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QWidget form;
    try {
        TFormReader::Read(&form, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EReadError&) {
        return 0;
    }
    const std::string written = TFormWriter::Write(&form);
    QWidget copy;
    TFormReader::Read(&copy, written);
    if (TFormWriter::Write(&copy) != written)
        std::abort();
    return 0;
}
