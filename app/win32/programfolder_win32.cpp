#include "app/programfolder.h"

#include <windows.h>

#include <string>

namespace {

// The folder of zentor.exe, with its closing backslash; empty when the system cannot name it.
std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path.substr(0, path.find_last_of(L'\\') + 1);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

bool ProgramFolderComplete()
{
    const std::wstring folder = ProgramFolder();
    const std::wstring plugin = folder + L"platforms\\qwindows.dll";
    if (folder.empty() || ::GetFileAttributesW(plugin.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const std::wstring text = L"Не найден файл\n" + plugin +
                              L"\n\nПрограмма распакована не полностью. Распакуйте архив заново, со всеми папками.";
    ::MessageBoxW(nullptr, text.c_str(), L"Zentor", MB_OK | MB_ICONERROR);
    return false;
}
