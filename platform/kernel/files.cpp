// Old-style file calls (_lopen, _lcreat, _lread, _lwrite, _llseek, _lclose)
// and DeleteFileA, on drive C: of the open machine.
//
// An HFILE is a small number from the platform's own table, never a host
// descriptor, so a program cannot reach host files by guessing numbers, and
// the host descriptors are closed on exec so no started program inherits them.

// Large-file offsets on the 32-bit host, so a file above 2 GB is refused by
// our own checks rather than by an overflow in the C library.
#define _FILE_OFFSET_BITS 64

#include "winbase.h"

#include "host/context.h"
#include "host/trace.h"
#include "disk.h"
#include "machine.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// DOS kept handles 0 to 4 for its standard devices; file handles start above.
constexpr HFILE kFirstHandle = 5;
constexpr size_t kMaxOpenFiles = 1024;

enum class Access { Read, Write, ReadWrite };

struct OpenFile {
    int fd;
    Access access;
};

std::mutex tableMutex;
std::map<HFILE, OpenFile> openFiles;

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default: // EACCES, EPERM, EISDIR, EROFS, ELOOP, ETXTBSY, ENXIO, ...
        return ERROR_ACCESS_DENIED;
    }
}

DWORD ErrorFromPath(machine::PathError error) {
    switch (error) {
    case machine::PathError::InvalidName:
        return ERROR_INVALID_NAME;
    case machine::PathError::TooLong:
        return ERROR_FILENAME_EXCED_RANGE;
    case machine::PathError::NotOnDrive:
        return ERROR_PATH_NOT_FOUND;
    case machine::PathError::ReservedDevice: // the machine has no devices to open by name
    case machine::PathError::LinkedDirectory:
    case machine::PathError::None:
        break;
    }
    return ERROR_ACCESS_DENIED;
}

struct Resolved {
    fs::path host;
    std::string windows; // canonical, in the host's spelling where the file exists
};

// The host path of a name the program gave, or the Win32 error why it has none.
std::optional<Resolved> Resolve(LPCSTR name, DWORD* error) {
    machine::Machine* machine = platform::CurrentMachine();
    if (machine == nullptr) {
        *error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    if (name == nullptr) {
        *error = ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    machine::Disk& disk = machine->disk();
    machine::PathError why = machine::PathError::None;
    std::optional<std::string> canonical = disk.Canonical(name, &why);
    std::optional<fs::path> host = canonical ? disk.HostPath(*canonical, &why) : std::nullopt;
    if (!host) {
        *error = ErrorFromPath(why);
        return std::nullopt;
    }
    // Named as the machine spells it: the host's spelling of what exists.
    std::string windows = disk.WindowsPath(*host).value_or(*canonical);
    return Resolved{std::move(*host), std::move(windows)};
}

// The error for a missing file: Windows tells a missing file from a missing
// folder on the way.
DWORD MissingError(const fs::path& host) {
    struct stat st;
    if (stat(host.parent_path().c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

DWORD OpenError(const fs::path& host, int error) {
    return error == ENOENT ? MissingError(host) : ErrorFromErrno(error);
}

// Opens without blocking on a FIFO or a device, keeps only regular files,
// then makes the descriptor blocking again.
int OpenRegular(const fs::path& host, int flags, mode_t mode, DWORD* error) {
    int fd = open(host.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    if (fd < 0) {
        *error = OpenError(host, errno);
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *error = ERROR_ACCESS_DENIED;
        return -1;
    }
    int status = fcntl(fd, F_GETFL);
    if (status != -1) fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

// The room on the disk for growing files, from the machine's profile
// ([faults] disk_free; -1: as much as the host has), and what this process
// has used of it.
long DiskFree() {
    machine::Machine* m = platform::CurrentMachine();
    return m != nullptr ? m->settings().Int("faults", "disk_free") : -1;
}
int64_t diskGrown = 0;

// Enters an open descriptor in the table; the lowest free number wins, as
// DOS handed out handles.
HFILE AddHandle(int fd, Access access) {
    std::lock_guard<std::mutex> lock(tableMutex);
    if (openFiles.size() >= kMaxOpenFiles) {
        close(fd);
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return HFILE_ERROR;
    }
    HFILE handle = kFirstHandle;
    for (const auto& [used, file] : openFiles) {
        if (used != handle) break;
        ++handle;
    }
    openFiles.emplace(handle, OpenFile{fd, access});
    return handle;
}

// Whether one of the program's open handles is this host file.
bool IsOpen(const struct stat& target) {
    std::lock_guard<std::mutex> lock(tableMutex);
    for (const auto& [handle, file] : openFiles) {
        struct stat st;
        if (fstat(file.fd, &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            return true;
    }
    return false;
}

HFILE Fail(DWORD error) {
    SetLastError(error);
    return HFILE_ERROR;
}

constexpr UINT kTransferError = static_cast<UINT>(-1);

UINT FailTransfer(DWORD error) {
    SetLastError(error);
    return kTransferError;
}

// Reads or writes at most this much per host call: a UINT count above
// SSIZE_MAX would not fit the host's signed result on a 32-bit host.
constexpr size_t kChunk = 1u << 30;

} // namespace

HFILE WINAPI _lopen(LPCSTR lpPathName, int iReadWrite) {
    Access access;
    int flags;
    // The share bits (0x70) are accepted and ignored: one program, one user.
    switch (iReadWrite & 0x3) {
    case OF_READ:
        access = Access::Read;
        flags = O_RDONLY;
        break;
    case OF_WRITE:
        access = Access::Write;
        flags = O_WRONLY;
        break;
    case OF_READWRITE:
        access = Access::ReadWrite;
        flags = O_RDWR;
        break;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
    DWORD error = 0;
    std::optional<Resolved> path = Resolve(lpPathName, &error);
    HFILE handle = HFILE_ERROR;
    if (path) {
        int fd = OpenRegular(path->host, flags, 0, &error);
        if (fd >= 0) handle = AddHandle(fd, access);
    }
    platform::TraceEvent("file.open")
        .Str("path", path ? std::string_view(path->windows)
                          : std::string_view(lpPathName ? lpPathName : ""))
        .Int("mode", iReadWrite & 0x3)
        .Bool("ok", handle != HFILE_ERROR);
    if (handle == HFILE_ERROR && error != 0) SetLastError(error);
    return handle;
}

HFILE WINAPI _lcreat(LPCSTR lpPathName, int iAttribute) {
    DWORD error = 0;
    std::optional<Resolved> path = Resolve(lpPathName, &error);
    HFILE handle = HFILE_ERROR;
    if (path) {
        struct stat st;
        bool exists = lstat(path->host.c_str(), &st) == 0;
        if (exists && S_ISLNK(st.st_mode)) {
            // A link stands for a file the machine borrows (a build output):
            // it is replaced by a file of the machine's own, never written through.
            if (unlink(path->host.c_str()) != 0) error = ErrorFromErrno(errno);
        } else if (exists && !S_ISREG(st.st_mode)) {
            error = ERROR_ACCESS_DENIED;
        } else if (exists && (st.st_mode & S_IWUSR) == 0) {
            error = ERROR_ACCESS_DENIED; // a read-only file is not truncated
        }
        if (error == 0) {
            // Bit 0 is the read-only attribute: later opens for writing fail,
            // but this handle may still write what it creates.
            mode_t mode = (iAttribute & 1) ? 0444 : 0666;
            int fd = OpenRegular(path->host, O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW, mode, &error);
            if (fd >= 0)
                handle = AddHandle(fd, Access::ReadWrite);
            else if (error == 0)
                error = ERROR_ACCESS_DENIED;
        }
    }
    platform::TraceEvent("file.create")
        .Str("path", path ? std::string_view(path->windows)
                          : std::string_view(lpPathName ? lpPathName : ""))
        .Bool("ok", handle != HFILE_ERROR);
    if (handle == HFILE_ERROR && error != 0) SetLastError(error);
    return handle;
}

UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes) {
    std::lock_guard<std::mutex> lock(tableMutex);
    auto it = openFiles.find(hFile);
    if (it == openFiles.end()) return FailTransfer(ERROR_INVALID_HANDLE);
    if (it->second.access == Access::Write) return FailTransfer(ERROR_ACCESS_DENIED);
    if (uBytes == 0) return 0;
    if (lpBuffer == nullptr) return FailTransfer(ERROR_INVALID_PARAMETER);

    char* out = static_cast<char*>(lpBuffer);
    UINT done = 0;
    while (done < uBytes) {
        size_t want = std::min<size_t>(uBytes - done, kChunk);
        ssize_t n = read(it->second.fd, out + done, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (done > 0) break;
            return FailTransfer(ErrorFromErrno(errno));
        }
        if (n == 0) break; // end of file
        done += static_cast<UINT>(n);
    }
    return done;
}

UINT WINAPI _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes) {
    std::lock_guard<std::mutex> lock(tableMutex);
    auto it = openFiles.find(hFile);
    if (it == openFiles.end()) return FailTransfer(ERROR_INVALID_HANDLE);
    if (it->second.access == Access::Read) return FailTransfer(ERROR_ACCESS_DENIED);
    const int fd = it->second.fd;

    if (uBytes == 0) {
        // Writing nothing cuts the file at the current position, as the
        // 16-bit write call always did.
        off_t position = lseek(fd, 0, SEEK_CUR);
        if (position < 0 || ftruncate(fd, position) != 0)
            return FailTransfer(ErrorFromErrno(errno));
        return 0;
    }
    if (lpBuffer == nullptr) return FailTransfer(ERROR_INVALID_PARAMETER);

    // A disk with little room left (a test's full disk): the bytes that
    // would grow the file beyond it are not written.
    UINT fits = uBytes;
    const long diskFree = DiskFree();
    off_t size = 0, position = 0;
    if (diskFree >= 0) {
        struct stat st;
        position = lseek(fd, 0, SEEK_CUR);
        size = fstat(fd, &st) == 0 ? st.st_size : 0;
        const int64_t overwrite = position >= 0 && size > position ? size - position : 0;
        const int64_t room = std::max<int64_t>(0, diskFree - diskGrown);
        fits = static_cast<UINT>(std::min<int64_t>(uBytes, overwrite + room));
    }

    UINT done = 0;
    while (done < uBytes) {
        if (done == fits) {
            SetLastError(ERROR_DISK_FULL);
            break;
        }
        size_t want = std::min<size_t>(fits - done, kChunk);
        ssize_t n = write(fd, lpBuffer + done, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A full disk: report it, and never claim the whole count. Part
            // of it may be on the disk; that part is what is returned.
            SetLastError(n < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL);
            return done > 0 ? done : kTransferError;
        }
        done += static_cast<UINT>(n);
    }
    if (diskFree >= 0 && position >= 0 && int64_t{position} + done > size)
        diskGrown += int64_t{position} + done - std::max(size, position);
    // Nothing written at all is an error; a part is returned as its count.
    if (done == 0) return kTransferError;
    return done;
}

LONG WINAPI _llseek(HFILE hFile, LONG lOffset, int iOrigin) {
    int whence;
    switch (iOrigin) {
    case FILE_BEGIN:
        whence = SEEK_SET;
        break;
    case FILE_CURRENT:
        whence = SEEK_CUR;
        break;
    case FILE_END:
        whence = SEEK_END;
        break;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::lock_guard<std::mutex> lock(tableMutex);
    auto it = openFiles.find(hFile);
    if (it == openFiles.end()) return Fail(ERROR_INVALID_HANDLE);
    const int fd = it->second.fd;

    off_t old = lseek(fd, 0, SEEK_CUR);
    off_t base = whence == SEEK_SET ? 0 : old;
    if (whence == SEEK_END) {
        struct stat st;
        if (fstat(fd, &st) != 0) return Fail(ErrorFromErrno(errno));
        base = st.st_size;
    }
    if (old < 0) return Fail(ErrorFromErrno(errno));
    off_t target = base + static_cast<off_t>(lOffset);
    if (target < 0) return Fail(ERROR_NEGATIVE_SEEK);
    // The position must fit the LONG that reports it.
    if (target > static_cast<off_t>(LONG_MAX)) return Fail(ERROR_INVALID_PARAMETER);
    if (lseek(fd, target, SEEK_SET) < 0) return Fail(ErrorFromErrno(errno));
    return static_cast<LONG>(target);
}

HFILE WINAPI _lclose(HFILE hFile) {
    std::lock_guard<std::mutex> lock(tableMutex);
    auto it = openFiles.find(hFile);
    if (it == openFiles.end()) return Fail(ERROR_INVALID_HANDLE);
    int fd = it->second.fd;
    openFiles.erase(it);
    // The handle is gone whatever close says; its data was written already.
    close(fd);
    return 0;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    DWORD error = 0;
    std::optional<Resolved> path = Resolve(lpFileName, &error);
    if (path) {
        struct stat st;
        if (lstat(path->host.c_str(), &st) != 0) {
            error = OpenError(path->host, errno);
        } else if (S_ISDIR(st.st_mode)) {
            error = ERROR_ACCESS_DENIED;
        } else if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
            error = ERROR_ACCESS_DENIED; // read-only attribute
        } else if (S_ISREG(st.st_mode) && IsOpen(st)) {
            error = ERROR_ACCESS_DENIED; // Windows 98 keeps an open file
        } else if (unlink(path->host.c_str()) != 0) {
            // A link is removed itself; what it points at stays.
            error = ErrorFromErrno(errno);
        }
    }
    platform::TraceEvent("file.delete")
        .Str("path", path ? std::string_view(path->windows)
                          : std::string_view(lpFileName ? lpFileName : ""))
        .Bool("ok", error == 0);
    if (error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
