// Kernel services without a state record of their own: the Windows and
// system directories, the last-error value, local memory, the tick count.
#include <windows.h>

#include "host/clock.h"
#include "host/text.h"
#include "machine.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace {

thread_local DWORD lastError = 0;

// Copies a directory name the way GetSystemDirectory does: on success the
// length without the terminator, otherwise the size needed with it.
UINT CopyDirectory(const char* dir, LPSTR buffer, UINT size) {
    UINT length = static_cast<UINT>(std::strlen(dir));
    if (buffer == nullptr || size <= length) return length + 1;
    std::memcpy(buffer, dir, length + 1);
    return length;
}

// Blocks handed out by LocalAlloc, so that LocalFree of anything else fails
// instead of corrupting the heap.
std::set<void*>& LocalBlocks() {
    static std::set<void*> blocks;
    return blocks;
}

} // namespace

WINBASEAPI DWORD WINAPI GetLastError(void) { return lastError; }
WINBASEAPI void WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }

WINBASEAPI UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return CopyDirectory(machine::Disk::kSystemDirectory, lpBuffer, uSize);
}

WINBASEAPI UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return CopyDirectory(machine::Disk::kWindowsDirectory, lpBuffer, uSize);
}

WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT uFlags, UINT uBytes) {
    // A block of 0 bytes is still a distinct block, as on Windows.
    void* block = (uFlags & LMEM_ZEROINIT) ? std::calloc(uBytes ? uBytes : 1, 1)
                                           : std::malloc(uBytes ? uBytes : 1);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    LocalBlocks().insert(block);
    return block;
}

WINBASEAPI HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    if (hMem == nullptr) return nullptr;
    if (LocalBlocks().erase(hMem) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    std::free(hMem);
    return nullptr;
}

WINBASEAPI DWORD WINAPI GetTickCount(void) { return platform::ClockReadByProgram(); }

WINBASEAPI void WINAPI Sleep(DWORD dwMilliseconds) { platform::ClockSleep(dwMilliseconds); }
