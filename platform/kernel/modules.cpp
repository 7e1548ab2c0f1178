// Modules: LoadLibraryA, GetProcAddress, FreeLibrary and friends over real
// shared objects that live on the machine's drive C:.
#include "modules.h"

#include "host/context.h"
#include "host/trace.h"
#include "machine.h"
#include "host/text.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct Module {
    std::string path; // canonical Windows path, as found on the disk
    void* handle = nullptr;
    std::string hostName; // the name the dynamic linker knows the object by
    int references = 0;
    bool isProgram = false;
};

std::vector<std::unique_ptr<Module>> modules; // in load order

Module* Live(HMODULE h) {
    for (auto& m : modules)
        if (reinterpret_cast<HMODULE>(m.get()) == h) return m.get();
    return nullptr;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name without an extension gets ".DLL"; a trailing dot means "no
// extension" and is dropped.
std::string WithDefaultExtension(std::string name) {
    std::string base = BaseName(name);
    if (!base.empty() && base.back() == '.')
        name.pop_back();
    else if (base.find('.') == std::string::npos)
        name += ".DLL";
    return name;
}

Module* FindLoaded(const std::string& name, bool byBaseName) {
    for (auto& m : modules) {
        const std::string& have = byBaseName ? BaseName(m->path) : m->path;
        if (EqualNoCase(have, name)) return m.get();
    }
    return nullptr;
}

std::string ProgramDirectory() {
    for (auto& m : modules)
        if (m->isProgram) return m->path.substr(0, m->path.find_last_of('\\'));
    return machine::kProgramDirectory;
}

// The file that a library name names, by the search order: the program's
// directory, the system directory, the Windows directory. A name with a path
// is taken as it is.
std::optional<std::filesystem::path> Locate(const std::string& name, std::string* found) {
    machine::Machine* m = CurrentMachine();
    if (m == nullptr) return std::nullopt;
    std::vector<std::string> candidates;
    if (name.find_first_of("\\/:") != std::string::npos)
        candidates.push_back(name);
    else
        for (const std::string& dir : {ProgramDirectory(), std::string(machine::Disk::kSystemDirectory),
                                       std::string(machine::Disk::kWindowsDirectory)})
            candidates.push_back(dir + "\\" + name);
    for (const std::string& c : candidates) {
        auto host = m->disk().HostPath(c);
        std::error_code ec;
        if (!host || !std::filesystem::is_regular_file(*host, ec)) continue;
        *found = m->disk().WindowsPath(*host).value_or(c);
        return host;
    }
    return std::nullopt;
}

// Whether a symbol found through a module's handle lies in that module and
// not in one of the libraries it depends on (dlsym searches those too).
bool InModule(const Module& m, void* symbol) {
    Dl_info info{};
    return symbol != nullptr && dladdr(symbol, &info) != 0 && info.dli_fname != nullptr &&
           m.hostName == info.dli_fname;
}

Module* Open(const std::string& requested, bool isProgram) {
    std::string path;
    auto host = Locate(requested, &path);
    if (!host) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        TraceEvent("dll.load").Str("name", requested).Bool("ok", false);
        return nullptr;
    }
    if (Module* loaded = FindLoaded(path, false)) {
        ++loaded->references;
        return loaded;
    }
    void* handle = dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        SetLastError(ERROR_BAD_FORMAT);
        TraceEvent("dll.load").Str("name", requested).Str("path", path).Bool("ok", false);
        return nullptr;
    }
    auto module = std::make_unique<Module>();
    module->path = path;
    module->handle = handle;
    module->references = 1;
    module->isProgram = isProgram;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr)
        module->hostName = map->l_name;
    modules.push_back(std::move(module));
    return modules.back().get();
}

// Calls into a module are traced through trampolines. A module declares
// its stdcall exports in the exported table PlatformStdcallExports: a list
// of "Name@BYTES" strings ending with a null pointer, BYTES the size of the
// arguments that the function removes from the stack, as a Windows linker
// decorates the name. GetProcAddress hands out, for a declared export with
// no argument or one, a trampoline that calls the export and records the
// call ("dll.call"). Each trampoline serves one export of one module path
// for the whole run; when that module goes, a call through it does nothing
// and returns 0.
constexpr const char* kStdcallExportsSymbol = "PlatformStdcallExports";
// A bound for a table that lacks its end marker.
constexpr int kMaxDeclaredExports = 256;
constexpr size_t kTrampolinesPerArity = 32;

struct TracedExport {
    std::string modulePath; // empty while the trampoline is free
    std::string exportName;
    void* target = nullptr; // null while the module is not loaded
};
std::array<TracedExport, kTrampolinesPerArity> tracedNoArgument, tracedOneArgument;

DWORD CallTraced(TracedExport& slot, const DWORD* args, int argCount) {
    if (slot.target == nullptr) return 0;
    // Copied first: the call may free the module and with it the slot's target.
    const std::string name = BaseName(slot.modulePath), exportName = slot.exportName;
    DWORD result = argCount == 0
                       ? reinterpret_cast<DWORD(WINAPI*)(void)>(slot.target)()
                       : reinterpret_cast<DWORD(WINAPI*)(DWORD)>(slot.target)(args[0]);
    TraceDllCall(name, exportName, args, argCount, result);
    return result;
}

template <size_t Slot> DWORD WINAPI TrampolineNoArgument(void) {
    return CallTraced(tracedNoArgument[Slot], nullptr, 0);
}
template <size_t Slot> DWORD WINAPI TrampolineOneArgument(DWORD argument) {
    return CallTraced(tracedOneArgument[Slot], &argument, 1);
}

template <size_t... Slots>
std::array<FARPROC, sizeof...(Slots)> NoArgumentTrampolines(std::index_sequence<Slots...>) {
    return {reinterpret_cast<FARPROC>(&TrampolineNoArgument<Slots>)...};
}
template <size_t... Slots>
std::array<FARPROC, sizeof...(Slots)> OneArgumentTrampolines(std::index_sequence<Slots...>) {
    return {reinterpret_cast<FARPROC>(&TrampolineOneArgument<Slots>)...};
}

// The argument bytes that module `m` declares for `name`, or -1.
int DeclaredArgumentBytes(const Module& m, const char* name) {
    void* symbol = dlsym(m.handle, kStdcallExportsSymbol);
    if (!InModule(m, symbol)) return -1;
    const char* const* table = static_cast<const char* const*>(symbol);
    const size_t length = std::strlen(name);
    for (int i = 0; i < kMaxDeclaredExports && table[i] != nullptr; ++i) {
        const char* entry = table[i];
        if (std::strncmp(entry, name, length) != 0 || entry[length] != '@') continue;
        char* end = nullptr;
        long bytes = std::strtol(entry + length + 1, &end, 10);
        if (end == entry + length + 1 || *end != '\0' || bytes < 0) return -1;
        return static_cast<int>(bytes);
    }
    return -1;
}

// The trampoline for export `name` of module `m` at `symbol`, or the export
// itself when it is not declared, takes other arguments, or every
// trampoline of its kind is taken.
FARPROC Traced(const Module& m, const char* name, void* symbol) {
    static const auto noArgument =
        NoArgumentTrampolines(std::make_index_sequence<kTrampolinesPerArity>());
    static const auto oneArgument =
        OneArgumentTrampolines(std::make_index_sequence<kTrampolinesPerArity>());
    const int bytes = DeclaredArgumentBytes(m, name);
    if (bytes != 0 && bytes != 4) return reinterpret_cast<FARPROC>(symbol);
    auto& slots = bytes == 0 ? tracedNoArgument : tracedOneArgument;
    const auto& trampolines = bytes == 0 ? noArgument : oneArgument;
    TracedExport* unused = nullptr;
    for (size_t i = 0; i < slots.size(); ++i) {
        TracedExport& slot = slots[i];
        if (slot.modulePath == m.path && slot.exportName == name) {
            slot.target = symbol;
            return trampolines[i];
        }
        if (unused == nullptr && slot.modulePath.empty()) unused = &slot;
    }
    if (unused == nullptr) return reinterpret_cast<FARPROC>(symbol);
    unused->modulePath = m.path;
    unused->exportName = name;
    unused->target = symbol;
    return trampolines[static_cast<size_t>(unused - slots.data())];
}

void Close(Module* m) {
    for (auto* slots : {&tracedNoArgument, &tracedOneArgument})
        for (TracedExport& slot : *slots)
            if (slot.modulePath == m->path) slot.target = nullptr;
    void* handle = m->handle;
    modules.erase(std::find_if(modules.begin(), modules.end(),
                               [m](auto& p) { return p.get() == m; }));
    dlclose(handle);
}

DLLENTRYPROC EntryPoint(const Module& m) {
    void* entry = dlsym(m.handle, "DllMain");
    return InModule(m, entry) ? reinterpret_cast<DLLENTRYPROC>(entry) : nullptr;
}

} // namespace

HMODULE LoadProgramModule(const char* windowsPath) {
    Module* m = Open(windowsPath, true);
    if (m != nullptr) TraceEvent("dll.load").Str("name", windowsPath).Bool("ok", true);
    return reinterpret_cast<HMODULE>(m);
}

HMODULE ProgramModule() {
    for (auto& m : modules)
        if (m->isProgram) return reinterpret_cast<HMODULE>(m.get());
    return nullptr;
}

void* FindExport(HMODULE module, const char* name) {
    Module* m = Live(module);
    if (m == nullptr || name == nullptr) return nullptr;
    void* symbol = dlsym(m->handle, name);
    return InModule(*m, symbol) ? symbol : nullptr;
}

const std::string* ModulePath(HMODULE module) {
    Module* m = Live(module);
    return m == nullptr ? nullptr : &m->path;
}

std::string ModuleFileName(HMODULE module) {
    Module* m = Live(module);
    return m == nullptr ? std::string() : BaseName(m->path);
}

void TraceDllCall(const std::string& moduleName, const std::string& exportName,
                  const DWORD* args, int argCount, DWORD result) {
    std::string list = "[";
    for (int i = 0; i < argCount; ++i) {
        if (i > 0) list += ", ";
        list += std::to_string(args[i]);
    }
    list += "]";
    TraceEvent("dll.call")
        .Str("name", moduleName)
        .Str("export", exportName)
        .Json("args", list)
        .Int("result", static_cast<LONG>(result));
}

void UnloadAllModules() {
    while (!modules.empty()) {
        Module* m = modules.back().get();
        if (!m->isProgram)
            if (DLLENTRYPROC entry = EntryPoint(*m))
                entry(reinterpret_cast<HINSTANCE>(m), DLL_PROCESS_DETACH, nullptr);
        Close(m);
    }
}

} // namespace platform

using namespace platform;

WINBASEAPI HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr || *lpLibFileName == '\0') {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const std::string name = WithDefaultExtension(lpLibFileName);
    // A bare name that is loaded already is that module, wherever it came from.
    if (name.find_first_of("\\/:") == std::string::npos)
        if (Module* loaded = FindLoaded(name, true)) {
            ++loaded->references;
            return reinterpret_cast<HMODULE>(loaded);
        }
    Module* m = Open(name, false);
    if (m == nullptr) return nullptr;
    if (m->references > 1) return reinterpret_cast<HMODULE>(m);
    // First load: the entry point sees the attach, and a FALSE from it fails
    // the load; the module then gets its detach call and is unloaded.
    if (DLLENTRYPROC entry = EntryPoint(*m)) {
        HINSTANCE self = reinterpret_cast<HINSTANCE>(m);
        if (!entry(self, DLL_PROCESS_ATTACH, nullptr)) {
            entry(self, DLL_PROCESS_DETACH, nullptr);
            TraceEvent("dll.load").Str("name", lpLibFileName).Str("path", m->path).Bool("ok", false);
            Close(m);
            SetLastError(ERROR_DLL_INIT_FAILED);
            return nullptr;
        }
    }
    TraceEvent("dll.load").Str("name", lpLibFileName).Str("path", m->path).Bool("ok", true);
    return reinterpret_cast<HMODULE>(m);
}

WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    Module* m = Live(hLibModule);
    if (m == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::string name = BaseName(m->path);
    // The program module stays loaded for the whole run.
    if (m->isProgram || --m->references > 0) return TRUE;
    if (DLLENTRYPROC entry = EntryPoint(*m))
        entry(reinterpret_cast<HINSTANCE>(m), DLL_PROCESS_DETACH, nullptr);
    Close(m);
    TraceEvent("dll.free").Str("name", name).Bool("ok", true);
    return TRUE;
}

WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (Live(hModule) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Exports are found by name only; an ordinal (a "name" below 0x10000)
    // finds nothing here.
    if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = FindExport(hModule, lpProcName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return Traced(*Live(hModule), lpProcName, symbol);
}

WINBASEAPI DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    const std::string* path = ModulePath(hModule == nullptr ? ProgramModule() : hModule);
    if (path == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    DWORD copied = CopyCut(*path, lpFilename, nSize);
    if (copied < path->size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return copied;
}

WINBASEAPI HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName == nullptr) return ProgramModule();
    const std::string name = WithDefaultExtension(lpModuleName);
    bool hasPath = name.find_first_of("\\/:") != std::string::npos;
    std::string wanted = name;
    if (hasPath && CurrentMachine() != nullptr)
        wanted = CurrentMachine()->disk().Canonical(name).value_or(name);
    Module* m = FindLoaded(wanted, !hasPath);
    if (m == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
    return reinterpret_cast<HMODULE>(m);
}
