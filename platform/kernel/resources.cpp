// Resources: FindResourceA and friends, LoadStringA, and the platform's own
// readers of dialogs, menus, bitmaps, icons and version information, over
// the .res bytes embedded in each module.
#include "kernel/resources.h"

#include "host/context.h"
#include "host/text.h"
#include "kernel/modules.h"
#include "machine.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace platform {
namespace {

constexpr WORD kTypeCursor = 1;
constexpr WORD kTypeBitmap = 2;
constexpr WORD kTypeIcon = 3;
constexpr WORD kTypeMenu = 4;
constexpr WORD kTypeDialog = 5;
constexpr WORD kTypeString = 6;
constexpr WORD kTypeGroupCursor = 12;
constexpr WORD kTypeGroupIcon = 14;
constexpr WORD kTypeVersion = 16;
constexpr WORD kVersionInfoName = 1; // VS_VERSION_INFO

// What a module's embedded bytes read as. The bytes' place is kept so that
// a module record reused for another module is read afresh.
struct ModuleResources {
    uintptr_t begin = 0;
    size_t size = 0;
    std::unique_ptr<ResourceIndex> index; // null when the bytes are malformed
};

std::mutex cacheMutex;
std::map<HMODULE, ModuleResources> cache;

// The index whose entry `entry` is, among all modules read so far.
const ResourceIndex* OwnerOf(const ResourceEntry* entry) {
    std::lock_guard lock(cacheMutex);
    for (const auto& [module, resources] : cache)
        if (resources.index && resources.index->Owns(entry)) return resources.index.get();
    return nullptr;
}

const ResourceEntry* EntryFromHandle(HRSRC handle) {
    auto* entry = reinterpret_cast<const ResourceEntry*>(handle);
    return OwnerOf(entry) != nullptr ? entry : nullptr;
}

// Finds a resource by type and name in the user's language, or exactly in
// `language` when it is not 0; sets the Win32 error on failure.
const ResourceEntry* Lookup(HMODULE module, const NameOrOrdinal& type, const NameOrOrdinal& name,
                            WORD language) {
    if (module == nullptr) module = ProgramModule();
    if (ModulePath(module) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const ResourceIndex* index = ResourcesOf(module);
    if (index == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const ResourceEntry* entry = language == 0 ? index->Choose(type, name, UserLanguage())
                                               : index->Find(type, name, language);
    if (entry != nullptr) return entry;
    SetLastError(!index->HasType(type)     ? ERROR_RESOURCE_TYPE_NOT_FOUND
                 : !index->Has(type, name) ? ERROR_RESOURCE_NAME_NOT_FOUND
                                           : ERROR_RESOURCE_LANG_NOT_FOUND);
    return nullptr;
}

const ResourceEntry* LookupTyped(HMODULE module, WORD type, LPCSTR name) {
    return Lookup(module, NameOrOrdinal::Ordinal(type), ResourceIdFrom(name), 0);
}

// The result of a reader: malformed bytes fail as missing data.
bool Read(bool ok) {
    if (!ok) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return ok;
}

} // namespace

WORD UserLanguage() {
    machine::Machine* m = CurrentMachine();
    if (m == nullptr) return kLanguageEnglishUs;
    long language = m->settings().Int("user", "language");
    return language > 0 && language <= 0xFFFF ? static_cast<WORD>(language) : kLanguageEnglishUs;
}

NameOrOrdinal ResourceIdFrom(LPCSTR typeOrName) {
    if (IS_INTRESOURCE(typeOrName))
        return NameOrOrdinal::Ordinal(static_cast<WORD>(reinterpret_cast<uintptr_t>(typeOrName)));
    std::string_view text(typeOrName);
    if (text.size() >= 2 && text.size() <= 6 && text[0] == '#') {
        unsigned long value = 0;
        bool digits = true;
        for (char c : text.substr(1)) {
            if (c < '0' || c > '9') digits = false;
            value = value * 10 + static_cast<unsigned long>(c - '0');
        }
        if (digits && value <= 0xFFFF) return NameOrOrdinal::Ordinal(static_cast<WORD>(value));
    }
    return NameOrOrdinal::Text(std::string(text));
}

const ResourceIndex* ResourcesOf(HMODULE module) {
    if (module == nullptr) module = ProgramModule();
    if (module == nullptr || ModulePath(module) == nullptr) return nullptr;
    auto begin = reinterpret_cast<uintptr_t>(FindExport(module, kResourcesBeginSymbol));
    auto end = reinterpret_cast<uintptr_t>(FindExport(module, kResourcesEndSymbol));
    if (begin == 0 || end < begin) return nullptr;
    const size_t size = end - begin;

    std::lock_guard lock(cacheMutex);
    ModuleResources& resources = cache[module];
    if (resources.begin != begin || resources.size != size) {
        resources.begin = begin;
        resources.size = size;
        resources.index = std::make_unique<ResourceIndex>();
        if (!resources.index->Parse(reinterpret_cast<const void*>(begin), size))
            resources.index.reset();
    }
    return resources.index.get();
}

const ResourceEntry* FindResourceEntry(HMODULE module, LPCSTR type, LPCSTR name) {
    return Lookup(module, ResourceIdFrom(type), ResourceIdFrom(name), 0);
}

bool ResourceExtent(const void* p, size_t* available) {
    auto at = reinterpret_cast<uintptr_t>(p);
    std::lock_guard lock(cacheMutex);
    for (const auto& [module, resources] : cache) {
        if (!resources.index || at < resources.begin || at - resources.begin >= resources.size)
            continue;
        for (const ResourceEntry& e : resources.index->Entries()) {
            auto data = reinterpret_cast<uintptr_t>(e.data);
            if (at >= data && at - data < e.size) {
                *available = e.size - (at - data);
                return true;
            }
        }
    }
    return false;
}

bool LoadDialogInfo(HMODULE module, LPCSTR name, DialogTemplateInfo* out) {
    const ResourceEntry* e = LookupTyped(module, kTypeDialog, name);
    return e != nullptr && Read(ParseDialogTemplate(e->data, e->size, out));
}

bool LoadMenuItems(HMODULE module, LPCSTR name, MenuTemplateInfo* out) {
    const ResourceEntry* e = LookupTyped(module, kTypeMenu, name);
    return e != nullptr && Read(ParseMenuTemplate(e->data, e->size, out));
}

bool LoadBitmapPixels(HMODULE module, LPCSTR name, BitmapPixels* out) {
    const ResourceEntry* e = LookupTyped(module, kTypeBitmap, name);
    return e != nullptr && Read(ParseBitmap(e->data, e->size, out));
}

bool LoadIconImage(HMODULE module, LPCSTR name, bool cursor, int cx, int cy, IconImage* out) {
    const ResourceEntry* group =
        LookupTyped(module, cursor ? kTypeGroupCursor : kTypeGroupIcon, name);
    if (group == nullptr) return false;
    std::vector<IconDirectoryEntry> entries;
    if (!Read(ParseIconDirectory(group->data, group->size, cursor, &entries))) return false;
    const IconDirectoryEntry& best = entries[PickIconEntry(entries, cx, cy)];
    const ResourceEntry* image =
        LookupTyped(module, cursor ? kTypeCursor : kTypeIcon, MAKEINTRESOURCEA(best.id));
    return image != nullptr && Read(ParseIconImage(image->data, image->size, cursor, out));
}

bool LoadVersionInfo(HMODULE module, VersionInfo* out) {
    const ResourceEntry* e = LookupTyped(module, kTypeVersion, MAKEINTRESOURCEA(kVersionInfoName));
    return e != nullptr && Read(ParseVersionInfo(e->data, e->size, out));
}

bool LoadStringText(HMODULE module, UINT id, std::string* out) {
    if (id > 0xFFFF) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    const ResourceEntry* e = LookupTyped(module, kTypeString, MAKEINTRESOURCEA(StringBlockId(id)));
    std::array<std::string, 16> block;
    if (e == nullptr || !Read(ParseStringBlock(e->data, e->size, &block))) return false;
    if (block[StringBlockSlot(id)].empty()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    *out = std::move(block[StringBlockSlot(id)]);
    return true;
}

} // namespace platform

using namespace platform;

WINBASEAPI HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(
        Lookup(hModule, ResourceIdFrom(lpType), ResourceIdFrom(lpName), 0)));
}

WINBASEAPI HRSRC WINAPI FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName,
                                        WORD wLanguage) {
    // Language 0 (neutral, neutral) asks for the caller's own language, with
    // the usual fallback; any other is taken exactly.
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(
        Lookup(hModule, ResourceIdFrom(lpType), ResourceIdFrom(lpName), wLanguage)));
}

WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE, HRSRC hResInfo) {
    const ResourceEntry* e = EntryFromHandle(hResInfo);
    if (e == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The data itself, in the module: LockResource hands it out unchanged.
    return const_cast<BYTE*>(e->data);
}

WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL hResData) {
    return hResData;
}

WINBASEAPI DWORD WINAPI SizeofResource(HMODULE, HRSRC hResInfo) {
    const ResourceEntry* e = EntryFromHandle(hResInfo);
    if (e == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return e->size;
}

// Resources live as long as their module; there is nothing to free.
WINBASEAPI BOOL WINAPI FreeResource(HGLOBAL) {
    return FALSE;
}

WINBASEAPI int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    // The ANSI call has no "pointer to the resource" form for a size of 0
    // (it would write past the buffer on Windows): nothing is written.
    if (lpBuffer == nullptr || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text;
    if (!LoadStringText(hInstance, uID, &text)) {
        lpBuffer[0] = '\0';
        return 0;
    }
    return static_cast<int>(CopyCut(text, lpBuffer, static_cast<size_t>(cchBufferMax)));
}
