#include "registryguard.h"

#ifdef _WIN32

#include <windows.h>

#include <shlwapi.h>

#include <cstdint>
#include <cstring>

namespace {

using RegCreateKeyExWFunc = LONG(WINAPI *)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM,
                                           const LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);

#ifdef _WIN64
// jmp qword ptr [rip+0] followed by the target address: an absolute jump. A 5-byte relative
// jump reaches only 2 GB either way, and system DLLs load far more than that away from the
// program on 64-bit Windows.
constexpr SIZE_T patchSize = 14;
#else
// jmp rel32 and ret: in a 32-bit address space every target is in reach.
constexpr SIZE_T patchSize = 6;
#endif

// A system function looked up by name, as the type it has; through void (*)() because the
// compiler warns about a direct cast between unrelated function types.
template <typename Function> Function asFunction(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

FARPROC patchedFunction = nullptr;
BYTE savedCode[patchSize] = {};
BYTE jumpCode[patchSize] = {};
bool installed = false;

bool writeCode(const BYTE *code)
{
    // WriteProcessMemory lifts the page's write protection for the write.
    SIZE_T written = 0;
    const bool ok =
        WriteProcessMemory(GetCurrentProcess(), reinterpret_cast<LPVOID>(patchedFunction), code,
                           patchSize, &written) &&
        written == patchSize;
    FlushInstructionCache(GetCurrentProcess(), reinterpret_cast<LPCVOID>(patchedFunction),
                          patchSize);
    return ok;
}

LONG WINAPI guardedRegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className,
                                   DWORD options, REGSAM access,
                                   const LPSECURITY_ATTRIBUTES security, PHKEY result,
                                   LPDWORD disposition)
{
    if (subKey && StrStrIW(subKey, L"Trolltech"))
        return 1;
    writeCode(savedCode);
    const LONG answer = asFunction<RegCreateKeyExWFunc>(patchedFunction)(
        key, subKey, reserved, className, options, access, security, result, disposition);
    writeCode(jumpCode);
    return answer;
}

void makeJumpCode(const void *target)
{
    const auto address = reinterpret_cast<std::uintptr_t>(target);
#ifdef _WIN64
    const BYTE jumpIndirect[6] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(jumpCode, jumpIndirect, sizeof(jumpIndirect));
    const std::uint64_t absolute = address;
    std::memcpy(jumpCode + sizeof(jumpIndirect), &absolute, sizeof(absolute));
#else
    const std::uint32_t displacement =
        std::uint32_t(address - reinterpret_cast<std::uintptr_t>(patchedFunction) - 5);
    jumpCode[0] = 0xE9;
    std::memcpy(jumpCode + 1, &displacement, sizeof(displacement));
    jumpCode[5] = 0xC3;
#endif
}

} // namespace

bool installRegistryGuard()
{
    if (installed)
        return true;
    patchedFunction = GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegCreateKeyExW");
    if (!patchedFunction)
        return false;
    SIZE_T read = 0;
    if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(patchedFunction),
                           savedCode, patchSize, &read) ||
        read != patchSize)
        return false;
    makeJumpCode(reinterpret_cast<const void *>(&guardedRegCreateKeyExW));
    installed = writeCode(jumpCode);
    return installed;
}

void removeRegistryGuard()
{
    if (!installed)
        return;
    writeCode(savedCode);
    installed = false;
}

#endif
