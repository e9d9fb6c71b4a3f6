// The Windows-only code of the program, built with MinGW-w64 and run under Wine (or Windows):
// the registry guard, the program-files test and the Windows side of the desktop helpers.
// Prints one line per check and ends with 0 when every check passed.

#include "programfiles.h"
#include "registryguard.h"
#include "windowsdesktop.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char *what)
{
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", what);
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

std::string narrow(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? char(c) : '?';
    return out;
}

// --- registry guard --------------------------------------------------------------------------

constexpr size_t codeSize = 14;

bool readCode(const void *function, BYTE *code)
{
    SIZE_T read = 0;
    return ReadProcessMemory(GetCurrentProcess(), function, code, codeSize, &read) &&
           read == codeSize;
}

bool keyExists(const wchar_t *path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Through the program's import of RegCreateKeyExW, as Qt calls it.
LONG createKey(const wchar_t *path, DWORD *disposition = nullptr)
{
    HKEY key = nullptr;
    DWORD created = 0;
    const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &key, &created);
    if (result == ERROR_SUCCESS)
        RegCloseKey(key);
    if (disposition)
        *disposition = created;
    return result;
}

void testRegistryGuard()
{
    const wchar_t *const trolltechKey = L"Software\\Trolltech\\OrganizationDefaults";
    const wchar_t *const otherCaseKey = L"SOFTWARE\\tROLLTECH\\Qt Factory Cache 5.15";
    const wchar_t *const ownKey = L"Software\\Quorbel\\RegistryGuardTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Trolltech");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorbel\\RegistryGuardTest");

    const FARPROC function = GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegCreateKeyExW");
    check(function != nullptr, "guard: RegCreateKeyExW found in advapi32");
    if (!function)
        return;
    const auto distance = [](std::uintptr_t a, std::uintptr_t b) { return a > b ? a - b : b - a; };
    std::printf("info: RegCreateKeyExW at %p, program at %p: %.1f GB apart\n",
                reinterpret_cast<void *>(function), reinterpret_cast<void *>(&testRegistryGuard),
                double(distance(reinterpret_cast<std::uintptr_t>(function),
                                reinterpret_cast<std::uintptr_t>(&testRegistryGuard))) /
                    (1u << 30));
    BYTE original[codeSize] = {};
    check(readCode(reinterpret_cast<const void *>(function), original), "guard: code readable");

    check(installRegistryGuard(), "guard: installed");
    BYTE patched[codeSize] = {};
    readCode(reinterpret_cast<const void *>(function), patched);
    check(patched[0] == 0xFF && patched[1] == 0x25 && !patched[2] && !patched[3] && !patched[4] &&
              !patched[5],
          "guard: the patch is an absolute jump (jmp [rip+0])");

    check(createKey(trolltechKey) == 1, "guard: a key under \"Trolltech\" is refused with 1");
    check(createKey(otherCaseKey) == 1, "guard: \"tROLLTECH\" in another case is refused too");
    check(!keyExists(L"Software\\Trolltech"), "guard: no \"Trolltech\" key was created");

    DWORD disposition = 0;
    check(createKey(ownKey, &disposition) == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY,
          "guard: another key is created by the real function");
    check(keyExists(ownKey), "guard: that key exists");
    BYTE afterCall[codeSize] = {};
    readCode(reinterpret_cast<const void *>(function), afterCall);
    check(std::memcmp(afterCall, patched, codeSize) == 0,
          "guard: the diversion is back in place after a call passed on");
    check(createKey(trolltechKey) == 1, "guard: still refuses after a call passed on");

    removeRegistryGuard();
    BYTE restored[codeSize] = {};
    readCode(reinterpret_cast<const void *>(function), restored);
    check(std::memcmp(restored, original, codeSize) == 0,
          "guard: removing it restores the original code");
    check(createKey(trolltechKey) == ERROR_SUCCESS && keyExists(trolltechKey),
          "guard: the restored function creates any key again");

    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Trolltech");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorbel\\RegistryGuardTest");
}

// --- program-files test ----------------------------------------------------------------------

bool makeFile(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

std::wstring tempFolder()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = folder;
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

void testProgramFiles()
{
    wchar_t programFiles[MAX_PATH] = {};
    check(SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE),
          "program files: folder known");
    const std::wstring company = std::wstring(programFiles) + L"\\QuorbelTest";
    const std::wstring app = company + L"\\MiniVideoPlayerSV";
    CreateDirectoryW(company.c_str(), nullptr);
    CreateDirectoryW(app.c_str(), nullptr);

    check(!QT_EXT::isInstalledUnderProgramFiles(app),
          "program files: without an uninstaller the copy is portable");
    check(makeFile(app + L"\\unins000.exe"), "program files: uninstaller written");
    check(QT_EXT::isInstalledUnderProgramFiles(app),
          "program files: with the uninstaller it is installed");
    std::wstring upper = app;
    CharUpperW(&upper[0]);
    check(QT_EXT::isInstalledUnderProgramFiles(upper),
          "program files: the folder is compared without regard to case");

    const std::wstring elsewhere = tempFolder() + L"\\QuorbelPortable";
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    makeFile(elsewhere + L"\\unins000.exe");
    check(!QT_EXT::isInstalledUnderProgramFiles(elsewhere),
          "program files: outside the program-files folder it is portable");

    DeleteFileW((app + L"\\unins000.exe").c_str());
    RemoveDirectoryW(app.c_str());
    RemoveDirectoryW(company.c_str());
    DeleteFileW((elsewhere + L"\\unins000.exe").c_str());
    RemoveDirectoryW(elsewhere.c_str());
}

// --- native message box ----------------------------------------------------------------------

struct BoxAnswer
{
    const wchar_t *title;
    UINT message;
    WPARAM command;
    bool found = false;
};

DWORD WINAPI answerBox(void *parameter)
{
    auto *answer = static_cast<BoxAnswer *>(parameter);
    for (int i = 0; i < 200; ++i) {
        if (HWND box = FindWindowW(L"#32770", answer->title)) {
            answer->found = true;
            PostMessageW(box, answer->message, answer->command, 0);
            return 0;
        }
        Sleep(25);
    }
    return 0;
}

int showAndAnswer(unsigned style, UINT message, WPARAM command, bool *found)
{
    static int counter = 0;
    const std::wstring title = L"tst_windows box " + std::to_wstring(++counter);
    BoxAnswer answer{title.c_str(), message, command};
    HANDLE thread = CreateThread(nullptr, 0, answerBox, &answer, 0, nullptr);
    const int result = QT_EXT::nativeMessageBox(nullptr, L"Go on?", title.c_str(), style);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    *found = answer.found;
    return result;
}

void testMessageBox()
{
    bool found = false;
    check(showAndAnswer(0x24, WM_COMMAND, IDYES, &found) == QT_EXT::nativeAnswerYes && found,
          "message box: Yes of a Yes/No box maps to Yes");
    check(showAndAnswer(0x23, WM_COMMAND, IDNO, &found) == QT_EXT::nativeAnswerNo && found,
          "message box: No of a Yes/No/Cancel box maps to No");
    check(showAndAnswer(0x23, WM_CLOSE, 0, &found) == QT_EXT::nativeAnswerCancel && found,
          "message box: closing a Yes/No/Cancel box maps to Cancel");
    check(showAndAnswer(0x30, WM_COMMAND, IDOK, &found) == IDOK && found,
          "message box: Ok of a warning box is returned unchanged");
    check(QT_EXT::mapNativeAnswer(IDRETRY) == IDRETRY,
          "message box: an answer without a counterpart is returned unchanged");
}

// --- desktop helpers -------------------------------------------------------------------------

HWND makeWindow(const wchar_t *title)
{
    return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

void testForeground()
{
    HWND first = makeWindow(L"tst_windows first");
    HWND second = makeWindow(L"tst_windows second");
    check(first && second, "foreground: windows created");
    ShowWindow(first, SW_SHOW);
    ShowWindow(second, SW_SHOW);
    SetForegroundWindow(second);
    ShowWindow(first, SW_MINIMIZE);
    QT_EXT::bringWindowToForeground(first);
    check(GetForegroundWindow() == first, "foreground: the window is in front");
    check(!IsIconic(first), "foreground: a minimized window is restored");
    DestroyWindow(first);
    DestroyWindow(second);
}

void testSystemInfo()
{
#ifdef _WIN64
    check(!QT_EXT::isWow64Process(), "wow64: a 64-bit process does not run under WOW64");
#endif
    const std::wstring name = QT_EXT::windowsVersionName();
    std::printf("info: Windows version name \"%s\"\n", narrow(name).c_str());
    check(name.rfind(L"Microsoft Windows", 0) == 0 && name.size() > 18,
          "version: the name starts with \"Microsoft Windows\"");
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExW(&info);
    check(QT_EXT::windowsKnowsElevation() == (info.dwMajorVersion >= 6),
          "version: elevation from Vista on");
}

std::wstring readText(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"(missing)";
    wchar_t buffer[1024] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    return std::wstring(buffer, read / sizeof(wchar_t));
}

void testStartElevated(const std::wstring &self)
{
    const std::wstring record = tempFolder() + L"\\tst_windows_arguments.txt";
    DeleteFileW(record.c_str());
    HANDLE process = nullptr;
    check(QT_EXT::startElevated(self, {L"--record-arguments", record}, &process) && process,
          "elevated start: started");
    if (!process)
        return;
    WaitForSingleObject(process, 30000);
    CloseHandle(process);
    const std::wstring expected =
        std::wstring(QT_EXT::windowsKnowsElevation() ? L"runasadmin " : L"") +
        L"--record-arguments " + record;
    const std::wstring got = readText(record);
    std::printf("info: the started program was given \"%s\"\n", narrow(got).c_str());
    check(got == expected, "elevated start: \"runasadmin\" ahead of the arguments, blank-joined");
    DeleteFileW(record.c_str());
}

void testRecycleBin()
{
    const std::wstring a = tempFolder() + L"\\tst_windows_bin_a.txt";
    const std::wstring b = tempFolder() + L"\\tst_windows_bin_b.txt";
    check(makeFile(a) && makeFile(b), "recycle bin: files written");
    check(QT_EXT::moveToRecycleBin({a, b}), "recycle bin: both deleted");
    check(GetFileAttributesW(a.c_str()) == INVALID_FILE_ATTRIBUTES &&
              GetFileAttributesW(b.c_str()) == INVALID_FILE_ATTRIBUTES,
          "recycle bin: the files are gone");
}

// The child of the elevated start: writes its arguments, blank-joined, to the file named after
// --record-arguments.
int recordArguments(int count, wchar_t **arguments)
{
    std::wstring joined;
    std::wstring target;
    for (int i = 1; i < count; ++i) {
        if (!joined.empty())
            joined += L' ';
        joined += arguments[i];
        if (!std::wcscmp(arguments[i], L"--record-arguments") && i + 1 < count)
            target = arguments[i + 1];
    }
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, joined.data(), DWORD(joined.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        if (!std::wcscmp(arguments[i], L"--record-arguments"))
            return recordArguments(count, arguments);
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);

    testRegistryGuard();
    testProgramFiles();
    testMessageBox();
    testForeground();
    testSystemInfo();
    testStartElevated(self);
    testRecycleBin();

    LocalFree(arguments);
    std::printf("tst_windows: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
