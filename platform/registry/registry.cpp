// Registry services over the machine's registry, with Windows 98 semantics.
//
// A key handle is a small record of root and path. As on Windows 95/98,
// opening a key that is already open returns the same handle and counts the
// reference; RegCloseKey drops one and the record goes with the last. An
// unknown handle gives ERROR_BADKEY, as on Windows 95/98 (NT says
// ERROR_INVALID_HANDLE); a handle whose key was deleted gives
// ERROR_KEY_DELETED.
#include "winbase.h"
#include "winreg.h"

#include "host/context.h"
#include "host/trace.h"
#include "machine.h"

#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace {

using machine::Registry;
using machine::RegistryRoot;
using machine::RegistryValue;

struct KeyRecord {
    RegistryRoot root;
    std::string path; // below the root, no trailing backslash
    unsigned references = 0;
};

// Handle values are multiples of 4 below the predefined keys at 0x80000000.
constexpr uintptr_t kFirstHandle = 0x1000;
constexpr uintptr_t kHandleStep = 4;
constexpr size_t kMaxOpenKeys = 65536;

std::mutex handlesMutex;
std::map<uintptr_t, KeyRecord> handles;
uintptr_t nextHandle = kFirstHandle;

struct ResolvedKey {
    RegistryRoot root;
    std::string path;
    bool predefined;
};

std::optional<ResolvedKey> Resolve(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return ResolvedKey{RegistryRoot::LocalMachine, "", true};
    if (key == HKEY_CURRENT_USER) return ResolvedKey{RegistryRoot::CurrentUser, "", true};
    std::lock_guard<std::mutex> guard(handlesMutex);
    const auto it = handles.find(reinterpret_cast<uintptr_t>(key));
    if (it == handles.end()) return std::nullopt;
    return ResolvedKey{it->second.root, it->second.path, false};
}

// The handle of an open key: the one already open for that key, counted once
// more, or a new record.
LONG OpenHandle(RegistryRoot root, const std::string& path, PHKEY result) {
    if (path.empty()) {
        *result = root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> guard(handlesMutex);
    for (auto& [value, record] : handles) {
        if (record.root == root && Registry::NamesEqual(record.path, path)) {
            ++record.references;
            *result = reinterpret_cast<HKEY>(value);
            return ERROR_SUCCESS;
        }
    }
    if (handles.size() >= kMaxOpenKeys) return ERROR_NOT_ENOUGH_MEMORY;
    // Values are not reused soon, so a stale handle rarely meets a new key.
    uintptr_t value = nextHandle;
    while (handles.count(value) != 0 || value >= 0x80000000u || value < kFirstHandle)
        value = value >= 0x80000000u - kHandleStep ? kFirstHandle : value + kHandleStep;
    nextHandle = value + kHandleStep;
    handles[value] = KeyRecord{root, path, 1};
    *result = reinterpret_cast<HKEY>(value);
    return ERROR_SUCCESS;
}

// `base` and a subkey path joined, without a trailing backslash.
std::string Join(const std::string& base, std::string_view subKey) {
    if (!subKey.empty() && subKey.back() == '\\' && subKey.size() > 1) subKey.remove_suffix(1);
    if (base.empty()) return std::string(subKey);
    if (subKey.empty()) return base;
    return base + "\\" + std::string(subKey);
}

std::string TraceKey(RegistryRoot root, const std::string& path) {
    std::string text = Registry::RootName(root);
    if (!path.empty()) text += "\\" + path;
    return text;
}

Registry* CurrentRegistry() {
    machine::Machine* m = platform::CurrentMachine();
    return m ? &m->registry() : nullptr;
}

// Returns `rc`, leaving it as the thread's last error when it is a failure.
LONG Result(LONG rc) {
    if (rc != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(rc));
    return rc;
}

// The key a handle stands for, checked to exist: ERROR_BADKEY for an unknown
// handle, ERROR_KEY_DELETED when its key is gone.
LONG Lookup(HKEY key, Registry** registry, ResolvedKey* out) {
    const std::optional<ResolvedKey> resolved = Resolve(key);
    if (!resolved) return ERROR_BADKEY;
    *registry = CurrentRegistry();
    if (*registry == nullptr) return ERROR_CANTOPEN;
    if (!resolved->predefined && !(*registry)->KeyExists(resolved->root, resolved->path))
        return ERROR_KEY_DELETED;
    *out = *resolved;
    return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY key, LPCSTR subKey, PHKEY result, bool create) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    Registry* registry = nullptr;
    ResolvedKey base;
    if (LONG rc = Lookup(key, &registry, &base)) return rc;
    // No subkey: the same key, as the same handle (counted once more).
    if (subKey == nullptr || *subKey == '\0') {
        if (base.predefined) {
            *result = key;
            return ERROR_SUCCESS;
        }
        return OpenHandle(base.root, base.path, result);
    }
    if (LONG rc = Registry::CheckPath(subKey)) return rc;
    const std::string path = Join(base.path, subKey);
    if (LONG rc = Registry::CheckPath(path)) return rc;
    if (create) {
        bool created = false;
        if (LONG rc = registry->CreateKey(base.root, path, &created)) return rc;
        if (created) platform::TraceEvent("reg.create").Str("key", TraceKey(base.root, path));
    } else if (!registry->KeyExists(base.root, path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    return OpenHandle(base.root, path, result);
}

} // namespace

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    return Result(OpenOrCreate(hKey, lpSubKey, phkResult, false));
}

LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    return Result(OpenOrCreate(hKey, lpSubKey, phkResult, true));
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> guard(handlesMutex);
    const auto it = handles.find(reinterpret_cast<uintptr_t>(hKey));
    if (it == handles.end()) return Result(ERROR_BADKEY);
    if (--it->second.references == 0) handles.erase(it);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return Result(ERROR_INVALID_PARAMETER);
    Registry* registry = nullptr;
    ResolvedKey key;
    if (LONG rc = Lookup(hKey, &registry, &key)) return Result(rc);
    RegistryValue value;
    if (LONG rc = registry->GetValue(key.root, key.path, lpValueName ? lpValueName : "", &value))
        return Result(rc);
    if (lpType) *lpType = value.type;
    const DWORD size = static_cast<DWORD>(value.data.size());
    if (lpcbData == nullptr) return ERROR_SUCCESS;
    if (lpData != nullptr) {
        // Too small a buffer gets nothing, only the size it would need.
        if (*lpcbData < size) {
            *lpcbData = size;
            return Result(ERROR_MORE_DATA);
        }
        if (size > 0) std::memcpy(lpData, value.data.data(), size);
    }
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
    if (Reserved != 0 || (lpData == nullptr && cbData != 0)) return Result(ERROR_INVALID_PARAMETER);
    Registry* registry = nullptr;
    ResolvedKey key;
    if (LONG rc = Lookup(hKey, &registry, &key)) return Result(rc);
    RegistryValue value;
    value.name = lpValueName ? lpValueName : "";
    value.type = dwType;
    if (cbData > Registry::kMaxDataSize) return Result(ERROR_INVALID_PARAMETER);
    if (dwType == REG_SZ || dwType == REG_EXPAND_SZ) {
        // Windows 95/98 store the string up to its end within cbData and
        // append the terminator, whether or not cbData counted it.
        if (cbData > 0) {
            const void* end = std::memchr(lpData, 0, cbData);
            const size_t length =
                end ? static_cast<size_t>(static_cast<const BYTE*>(end) - lpData) : cbData;
            value.data.assign(lpData, lpData + length);
        }
        value.data.push_back(0);
    } else if (cbData > 0) {
        value.data.assign(lpData, lpData + cbData);
    }
    if (LONG rc = registry->SetValue(key.root, key.path, value)) return Result(rc);
    platform::TraceEvent("reg.set")
        .Str("key", TraceKey(key.root, key.path))
        .Str("name", value.name)
        .Int("type", value.type)
        .Hex("data", value.data.data(), value.data.size());
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    Registry* registry = nullptr;
    ResolvedKey key;
    if (LONG rc = Lookup(hKey, &registry, &key)) return Result(rc);
    std::string name;
    if (LONG rc = registry->SubKeyName(key.root, key.path, dwIndex, &name)) return Result(rc);
    if (lpName == nullptr) return Result(ERROR_INVALID_PARAMETER);
    if (name.size() + 1 > cchName) return Result(ERROR_MORE_DATA);
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (lpSubKey == nullptr) return Result(ERROR_INVALID_PARAMETER);
    Registry* registry = nullptr;
    ResolvedKey key;
    if (LONG rc = Lookup(hKey, &registry, &key)) return Result(rc);
    if (LONG rc = Registry::CheckPath(lpSubKey)) return Result(rc);
    // An empty subkey names the key itself; a root cannot go.
    const std::string path = Join(key.path, lpSubKey);
    if (path.empty()) return Result(ERROR_ACCESS_DENIED);
    if (LONG rc = registry->DeleteKey(key.root, path)) return Result(rc);
    platform::TraceEvent("reg.delete").Str("key", TraceKey(key.root, path)).Null("name");
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    Registry* registry = nullptr;
    ResolvedKey key;
    if (LONG rc = Lookup(hKey, &registry, &key)) return Result(rc);
    const std::string name = lpValueName ? lpValueName : "";
    if (LONG rc = registry->DeleteValue(key.root, key.path, name)) return Result(rc);
    platform::TraceEvent("reg.delete").Str("key", TraceKey(key.root, key.path)).Str("name", name);
    return ERROR_SUCCESS;
}
