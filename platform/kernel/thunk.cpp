// Flat thunks: the connection of a 32-bit DLL's thunk-data blocks with its
// 16-bit partner's, and the calls across them. The partner is a module of
// the machine like any other; what makes it "16-bit" is that only 16-bit
// values cross, and that it runs under the lock that 16-bit code holds.
#include <windows.h>
#include <thunk.h>

#include "host/trace.h"
#include "kernel/modules.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Connection {
    LPTHUNKDATA half32;
    LPTHUNKDATA half16;
    HMODULE partner;         // loaded for this connection, freed with it
    std::string dll32;       // the 32-bit DLL's file name, for the trace
};
std::vector<Connection> connections;

// The lock that 16-bit code runs under: taken for every call into the
// partner; a 32-bit function that the partner calls releases it in its
// prolog and takes it back in its epilog.
int win16LockCount = 0;
std::vector<bool> releasedByProlog;

// Which way a script's calls go, from its signature.
bool CallsInto16(const THUNKDATA& d) { return std::memcmp(d.signature, "LS", 2) == 0; }
bool CallsInto32(const THUNKDATA& d) { return std::memcmp(d.signature, "SL", 2) == 0; }

Connection* FindBy32(LPTHUNKDATA half32) {
    for (Connection& c : connections)
        if (c.half32 == half32) return &c;
    return nullptr;
}

Connection* FindBy16(LPTHUNKDATA half16) {
    for (Connection& c : connections)
        if (c.half16 == half16) return &c;
    return nullptr;
}

// The entry of function `index` offered by `half`, or null.
FARPROC Target(const THUNKDATA& half, UINT index) {
    if (half.functions == nullptr || index >= half.functionCount) return nullptr;
    return half.functions[index].entry;
}

BOOL Connect(LPTHUNKDATA half32, LPCSTR partnerBlockName, LPCSTR dll16, HINSTANCE instance) {
    if (half32 == nullptr || partnerBlockName == nullptr || dll16 == nullptr || *dll16 == '\0')
        return FALSE;
    if (!CallsInto16(*half32) && !CallsInto32(*half32)) return FALSE;
    if (FindBy32(half32) != nullptr) return TRUE;

    // The partner comes from the system directory unless a path is given.
    std::string path = dll16;
    if (path.find_first_of("\\/:") == std::string::npos) {
        char system[MAX_PATH];
        UINT length = GetSystemDirectoryA(system, sizeof system);
        if (length == 0 || length >= sizeof system) return FALSE;
        path = std::string(system) + "\\" + dll16;
    }
    HMODULE partner = LoadLibraryA(path.c_str());
    if (partner == nullptr) return FALSE;
    auto* half16 = static_cast<LPTHUNKDATA>(platform::FindExport(partner, partnerBlockName));
    if (half16 == nullptr || half16 == half32 ||
        std::memcmp(half16->signature, half32->signature, sizeof half32->signature) != 0 ||
        half16->checksum != half32->checksum) {
        FreeLibrary(partner);
        return FALSE;
    }
    half32->partner = half16;
    half16->partner = half32;
    connections.push_back({half32, half16, partner, platform::ModuleFileName(instance)});
    return TRUE;
}

void Disconnect(LPTHUNKDATA half32) {
    Connection* c = FindBy32(half32);
    if (c == nullptr) return;
    half32->partner = nullptr;
    // At process end the partner may have gone first; its block went with it.
    if (platform::ModulePath(c->partner) != nullptr) {
        if (c->half16->partner == half32) c->half16->partner = nullptr;
        FreeLibrary(c->partner);
    }
    connections.erase(connections.begin() + (c - connections.data()));
}

} // namespace

WINBASEAPI BOOL WINAPI ThunkConnect32(LPTHUNKDATA thunkData32, LPCSTR partnerBlockName,
                                      LPCSTR dll16, LPCSTR /*dll32*/, HINSTANCE instance,
                                      DWORD reason) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return Connect(thunkData32, partnerBlockName, dll16, instance);
    case DLL_PROCESS_DETACH:
        Disconnect(thunkData32);
        return TRUE;
    default:
        return TRUE;
    }
}

WINBASEAPI void WINAPI K32Thk1632Prolog(void) {
    const bool held = win16LockCount > 0;
    if (held) --win16LockCount;
    releasedByProlog.push_back(held);
}

WINBASEAPI void WINAPI K32Thk1632Epilog(void) {
    // An epilog without its prolog has nothing to take back.
    if (releasedByProlog.empty()) return;
    if (releasedByProlog.back()) ++win16LockCount;
    releasedByProlog.pop_back();
}

WINBASEAPI WORD WINAPI ThunkCall16(LPTHUNKDATA thunkData32, UINT function, WORD argument) {
    Connection* c = FindBy32(thunkData32);
    if (c == nullptr || !CallsInto16(*thunkData32)) return 0;
    FARPROC entry = Target(*c->half16, function);
    if (entry == nullptr) return 0;
    ++win16LockCount;
    WORD result = reinterpret_cast<WORD(WINAPI*)(WORD)>(entry)(argument);
    --win16LockCount;
    platform::TraceEvent("bridge.16").Int("code", argument).Int("result", result);
    return result;
}

WINBASEAPI DWORD WINAPI ThunkCall32(LPTHUNKDATA thunkData16, UINT function, WORD argument) {
    Connection* c = FindBy16(thunkData16);
    if (c == nullptr || !CallsInto32(*thunkData16)) return 0;
    FARPROC entry = Target(*c->half32, function);
    if (entry == nullptr) return 0;
    // Copied first: the call may end the connection.
    const std::string dll32 = c->dll32;
    const char* name = c->half32->functions[function].name;
    const std::string exportName = name != nullptr ? name : "";
    const DWORD widened = argument;
    DWORD result = reinterpret_cast<DWORD(WINAPI*)(DWORD)>(entry)(widened);
    platform::TraceDllCall(dll32, exportName, &widened, 1, result);
    return result;
}
