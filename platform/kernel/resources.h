// The resources of a module, for the rest of the platform: the dialog
// manager, menus, bitmaps, icons and cursors read them here, in the
// language the user's machine asks for. The Win32 calls (FindResourceA,
// LoadResource, LoadStringA and friends) are built on the same functions.
//
// A module's resources are the .res bytes that cvpanel_add_resources
// (cmake/Resources.cmake) embedded in it between the exported symbols
// kResourcesBeginSymbol and kResourcesEndSymbol.
#pragma once

#include <windows.h>
#include <winuser.h>

#include "kernel/resource_formats.h"

#include <cstddef>
#include <string>

namespace platform {

constexpr const char* kResourcesBeginSymbol = "PlatformResources";
constexpr const char* kResourcesEndSymbol = "PlatformResourcesEnd";

// The user's language: [user] language of the current machine, 1033 when
// there is no machine or the value is not a language id.
WORD UserLanguage();

// A type or name as the Win32 calls take it: MAKEINTRESOURCE(n), "#n"
// (decimal, up to 65535) or a name.
NameOrOrdinal ResourceIdFrom(LPCSTR typeOrName);

// The resources embedded in a module (null: the program module). Null when
// the handle is not a loaded module, or the module has none, or its bytes
// do not read as a .res file. The index lives while the module is loaded.
const ResourceIndex* ResourcesOf(HMODULE module);

// The resource in the user's language or the fallback (docs/resources.md),
// or null with the Win32 error set.
const ResourceEntry* FindResourceEntry(HMODULE module, LPCSTR type, LPCSTR name);

// Whether `p` points into the bytes of a resource of a loaded module, and
// how many bytes of that resource start at `p`. For callers handed a bare
// pointer (CreateDialogIndirectParamA after LockResource) that want to know
// how far they may read.
bool ResourceExtent(const void* p, size_t* available);

// The readers of resource_formats.h, over a module's resource by name (a
// name as ResourceIdFrom takes it), in the user's language. Each returns
// false with the Win32 error set when the resource is missing or malformed
// (ERROR_RESOURCE_DATA_NOT_FOUND for malformed bytes).
bool LoadDialogInfo(HMODULE module, LPCSTR name, DialogTemplateInfo* out);
bool LoadMenuItems(HMODULE module, LPCSTR name, MenuTemplateInfo* out);
bool LoadBitmapPixels(HMODULE module, LPCSTR name, BitmapPixels* out);
// The image of an icon (RT_GROUP_ICON) or cursor (RT_GROUP_CURSOR) group
// closest to cx by cy.
bool LoadIconImage(HMODULE module, LPCSTR name, bool cursor, int cx, int cy, IconImage* out);
// The module's VERSIONINFO resource (ordinal 1, as VS_VERSION_INFO).
bool LoadVersionInfo(HMODULE module, VersionInfo* out);
// String `id` of the string tables, as UTF-8. False when its block is
// missing or the string in the chosen block is empty.
bool LoadStringText(HMODULE module, UINT id, std::string* out);

} // namespace platform
