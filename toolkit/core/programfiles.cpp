#include "programfiles.h"

#ifdef _WIN32

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

namespace QT_EXT {

bool isInstalledUnderProgramFiles(const std::wstring &programFolder)
{
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE) || !folder[0])
        return false;
    if (!StrStrIW(programFolder.c_str(), folder))
        return false;
    std::wstring uninstaller = programFolder;
    if (!uninstaller.empty() && uninstaller.back() != L'\\')
        uninstaller += L'\\';
    uninstaller += L"unins000.exe";
    const DWORD attributes = GetFileAttributesW(uninstaller.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace QT_EXT

#endif
