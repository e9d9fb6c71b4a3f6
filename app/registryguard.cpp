#include "registryguard.h"

#ifdef Q_OS_WIN

#include <shlwapi.h>
#include <windows.h>

#include <cstring>

namespace {

using RegCreateKeyExWFunc = LONG(WINAPI *)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM,
                                           const LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);

constexpr SIZE_T patchSize = 6;

FARPROC patchedFunction = nullptr;
BYTE savedCode[patchSize] = {};
BYTE jumpCode[patchSize] = {};

void writeCode(const BYTE *code)
{
    WriteProcessMemory(GetCurrentProcess(), reinterpret_cast<LPVOID>(patchedFunction), code,
                       patchSize, nullptr);
}

LONG WINAPI guardedRegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className,
                                   DWORD options, REGSAM access,
                                   const LPSECURITY_ATTRIBUTES security, PHKEY result,
                                   LPDWORD disposition)
{
    if (subKey && StrStrIW(subKey, L"Trolltech"))
        return 1;
    writeCode(savedCode);
    const LONG answer = reinterpret_cast<RegCreateKeyExWFunc>(patchedFunction)(
        key, subKey, reserved, className, options, access, security, result, disposition);
    writeCode(jumpCode);
    return answer;
}

} // namespace

void installRegistryGuard()
{
    // Failures are not looked at: without the guard the program runs as usual.
    patchedFunction = GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegCreateKeyExW");
    if (!patchedFunction)
        return;
    ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(patchedFunction), savedCode,
                      patchSize, nullptr);
    const DWORD displacement = DWORD(reinterpret_cast<UINT_PTR>(&guardedRegCreateKeyExW) -
                                     reinterpret_cast<UINT_PTR>(patchedFunction) - 5);
    jumpCode[0] = 0xE9;
    std::memcpy(jumpCode + 1, &displacement, sizeof(displacement));
    jumpCode[5] = 0xC3;
    writeCode(jumpCode);
}

#endif
