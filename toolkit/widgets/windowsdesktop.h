#pragma once

// The Windows side of the message boxes and desktop helpers: plain Windows calls without Qt,
// so that the Windows test program builds them as the toolkit does.
#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

namespace QT_EXT {

// Answers of a native box as the message functions return them: the values of
// QMessageBox::Yes, No and Cancel (messages.cpp checks that they match).
constexpr int nativeAnswerYes = 0x00004000;
constexpr int nativeAnswerNo = 0x00010000;
constexpr int nativeAnswerCancel = 0x00400000;

// MessageBoxW with the given style flags; a null title gives the system's own. The answer is
// mapped: IDYES to Yes, IDNO to No, IDCANCEL to Cancel, anything else unchanged.
int nativeMessageBox(HWND owner, const wchar_t *text, const wchar_t *title, unsigned style);
int mapNativeAnswer(int answer);

// Brings a top-level window to the foreground, attaching to the foreground window's input
// thread for the moment, so that Windows lets a background program take the foreground.
void bringWindowToForeground(HWND window);

// Whether this process runs under WOW64; false where IsWow64Process does not exist.
bool isWow64Process();

// A readable name of the running Windows version, "Microsoft Windows 7" and so on.
std::wstring windowsVersionName();
// Whether the running Windows version knows elevation (Vista and later).
bool windowsKnowsElevation();

// Starts a program with ShellExecuteExW: with the verb "runas" and "runasadmin" ahead of the
// arguments where Windows knows elevation, otherwise with "open"; arguments are joined by
// blanks. With process given, it receives the started process' handle (the caller closes it).
bool startElevated(const std::wstring &program, const std::vector<std::wstring> &arguments,
                   HANDLE *process = nullptr);

// Deletes files into the recycle bin (SHFileOperationW), without asking and without a progress
// window. Returns whether every file went.
bool moveToRecycleBin(const std::vector<std::wstring> &paths);

} // namespace QT_EXT
#endif
