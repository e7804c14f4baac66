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
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A grid of a description that reads writes the column widths file it names when it is deleted: each run
// works in a folder of its own and goes back afterwards, so that the corpus is read and written where the
// fuzzer was started, and what it finds goes there too (an -artifact_prefix on the command line wins).
class TWorkFolder {
public:
    TWorkFolder() : started_(std::filesystem::current_path())
    {
        std::filesystem::current_path(Folder().path().toStdString());
    }
    ~TWorkFolder() { std::filesystem::current_path(started_); }

    static const QTemporaryDir& Folder()
    {
        static QTemporaryDir folder;
        return folder;
    }

    static void KeepFindingsHere(int* argc, char*** argv)
    {
        static std::string prefix = "-artifact_prefix=" + std::filesystem::current_path().string() + "/";
        static std::vector<char*> arguments(*argv, *argv + *argc);
        arguments.insert(arguments.begin() + 1, prefix.data());
        arguments.push_back(nullptr);
        *argc = static_cast<int>(arguments.size()) - 1;
        *argv = arguments.data();
    }

private:
    std::filesystem::path started_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A serial port opened by a description finds no links of other programs in a folder of its own.
    static QTemporaryDir runtimeDir;
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
    TWorkFolder::KeepFindingsHere(argc, argv);
    static QApplication application(*argc, *argv);
    RegisterFormClasses();
    RegisterClass<TCustomImageList>("TCustomImageList");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const TWorkFolder inOwnFolder;
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
