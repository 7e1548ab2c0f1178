// Profile strings: GetPrivateProfileStringA over the INI files of drive C:.

#include "winbase.h"

#include "host/context.h"
#include "host/text.h"
#include "disk.h"
#include "ini_file.h"
#include "machine.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The host file for a profile name. A bare file name lives in the Windows
// directory; a name with a folder or a drive is taken as a path.
std::optional<fs::path> ProfileFile(LPCSTR fileName) {
    machine::Machine* machine = platform::CurrentMachine();
    if (machine == nullptr) return std::nullopt;
    // Without a file name the calls read the system's own profile.
    std::string_view name = fileName ? fileName : "WIN.INI";
    if (name.find_first_of("\\/:") == std::string_view::npos)
        return machine->disk().HostPath(std::string(machine::Disk::kWindowsDirectory) + "\\" +
                                        std::string(name));
    return machine->disk().HostPath(name);
}

// A list of names, each followed by a NUL and the whole by one more. When
// it does not fit, it is cut to nSize - 2 bytes and ends in two NULs.
DWORD CopyList(const std::vector<std::string>& names, LPSTR out, DWORD nSize) {
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    if (list.size() + 1 <= nSize) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        // An empty list still reads as a list: two NULs where there is room.
        if (list.empty() && nSize >= 2) out[1] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (nSize < 2) {
        out[0] = '\0';
        return 0;
    }
    size_t length = platform::Utf8Prefix(list, nSize - 2);
    std::memcpy(out, list.data(), length);
    out[length] = '\0';
    out[length + 1] = '\0';
    return static_cast<DWORD>(length);
}

} // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::optional<fs::path> file = ProfileFile(lpFileName);

    if (lpAppName == nullptr || lpKeyName == nullptr) {
        std::optional<std::vector<std::string>> names;
        if (file)
            names = lpAppName == nullptr ? machine::IniSections(*file)
                                         : machine::IniKeys(*file, lpAppName);
        SetLastError(names ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        return CopyList(names ? *names : std::vector<std::string>(), lpReturnedString, nSize);
    }

    std::optional<std::string> value;
    if (file) value = machine::IniGet(*file, lpAppName, lpKeyName);
    if (value) {
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(platform::CopyCut(*value, lpReturnedString, nSize));
    }
    // The default loses its trailing blanks, as Windows documents; leading
    // blanks stay.
    std::string_view fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t'))
        fallback.remove_suffix(1);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return static_cast<DWORD>(platform::CopyCut(fallback, lpReturnedString, nSize));
}
