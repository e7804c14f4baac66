// Under Wine a POSIX path means a folder of the current drive ("C:\usr\share\..."); Wine's own kernel32
// export wine_get_dos_file_name names the file by the drive that maps it, whatever drive the program runs
// from. Windows has no such export, and no such file.
#include "classlib/widgets/winefontfile.h"

#include <windows.h>

namespace {

using DosFileNameFunction = WCHAR*(CDECL*)(const char*);

DosFileNameFunction DosFileName()
{
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<DosFileNameFunction>(
                          reinterpret_cast<void*>(::GetProcAddress(kernel32, "wine_get_dos_file_name")))
                    : nullptr;
}

} // namespace

QString WineFontFile(const char* name)
{
    static const DosFileNameFunction dosFileName = DosFileName();
    if (!dosFileName)
        return {};
    WCHAR* path = dosFileName((std::string("/usr/share/wine/fonts/") + name).c_str());
    if (!path)
        return {};
    const QString file = QString::fromWCharArray(path);
    ::HeapFree(::GetProcessHeap(), 0, path);
    return file;
}
