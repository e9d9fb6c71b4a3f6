#include "windowsdesktop.h"

#ifdef _WIN32

#include <shellapi.h>

namespace QT_EXT {

namespace {

template <typename Function> Function asFunction(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

OSVERSIONINFOEXW versionInfo()
{
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW *>(&info));
    return info;
}

} // namespace

int mapNativeAnswer(int answer)
{
    switch (answer) {
    case IDYES:
        return nativeAnswerYes;
    case IDNO:
        return nativeAnswerNo;
    case IDCANCEL:
        return nativeAnswerCancel;
    default:
        return answer;
    }
}

int nativeMessageBox(HWND owner, const wchar_t *text, const wchar_t *title, unsigned style)
{
    return mapNativeAnswer(MessageBoxW(owner, text, title, style));
}

void bringWindowToForeground(HWND window)
{
    if (!window)
        return;
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    const bool attach = foregroundThread && foregroundThread != ownThread;
    if (attach)
        AttachThreadInput(ownThread, foregroundThread, TRUE);
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    else
        ShowWindow(window, SW_SHOW);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    SetFocus(window);
    if (attach)
        AttachThreadInput(ownThread, foregroundThread, FALSE);
}

bool isWow64Process()
{
    using IsWow64ProcessFunc = BOOL(WINAPI *)(HANDLE, PBOOL);
    const auto function = asFunction<IsWow64ProcessFunc>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return function && function(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring windowsVersionName()
{
    const OSVERSIONINFOEXW info = versionInfo();
    const bool server = info.wProductType != VER_NT_WORKSTATION;
    const DWORD version = info.dwMajorVersion * 100 + info.dwMinorVersion;
    const wchar_t *edition = nullptr;
    switch (version) {
    case 500:
        edition = L"Windows 2000";
        break;
    case 501:
        edition = L"Windows XP";
        break;
    case 502:
        edition = server ? L"Windows Server 2003" : L"Windows XP Professional x64 Edition";
        break;
    case 600:
        edition = server ? L"Windows Server 2008" : L"Windows Vista";
        break;
    case 601:
        edition = server ? L"Windows Server 2008 R2" : L"Windows 7";
        break;
    case 602:
        edition = server ? L"Windows Server 2012" : L"Windows 8";
        break;
    case 603:
        edition = server ? L"Windows Server 2012 R2" : L"Windows 8.1";
        break;
    case 1000:
        edition = server ? L"Windows Server 2016" : L"Windows 10";
        break;
    default:
        break;
    }
    if (edition)
        return std::wstring(L"Microsoft ") + edition;
    return L"Microsoft Windows " + std::to_wstring(info.dwMajorVersion) + L'.' +
           std::to_wstring(info.dwMinorVersion);
}

bool windowsKnowsElevation()
{
    return versionInfo().dwMajorVersion >= 6;
}

bool startElevated(const std::wstring &program, const std::vector<std::wstring> &arguments,
                   HANDLE *process)
{
    const bool elevate = windowsKnowsElevation();
    std::wstring parameters = elevate ? L"runasadmin" : L"";
    for (const std::wstring &argument : arguments) {
        if (!parameters.empty())
            parameters += L' ';
        parameters += argument;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = process ? SEE_MASK_NOCLOSEPROCESS : 0;
    info.lpVerb = elevate ? L"runas" : L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool started = ShellExecuteExW(&info);
    if (process)
        *process = started ? info.hProcess : nullptr;
    return started;
}

bool moveToRecycleBin(const std::vector<std::wstring> &paths)
{
    if (paths.empty())
        return true;
    // A list of names, each ended by a null character, and the list by one more.
    std::wstring from;
    for (const std::wstring &path : paths) {
        from += path;
        from += L'\0';
    }
    from += L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

} // namespace QT_EXT

#endif
