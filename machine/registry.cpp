// The registry store: the tree in memory, kept in step with DIR/registry.reg.
//
// The machine's own file is read strictly: a line that does not parse fails
// the whole read with its line number, because skipping it the way the
// registry editor skips bad lines of an import would lose that data at the
// next save. Import() reads leniently, as the editor does.
#include "registry.h"

#include "file_lock.h"

#include "registry_tree.h"
#include "winerror.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>

namespace machine {

using registry_detail::Key;
using registry_detail::Tree;

namespace {

Registry::SaveHook& Hook() {
    static Registry::SaveHook hook;
    return hook;
}

bool Step(RegistrySaveStep step) {
    const Registry::SaveHook& hook = Hook();
    return !hook || hook(step);
}

// What tells one version of the file from another without reading it.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long mtimeSec = 0;
    long mtimeNsec = 0;

    static FileStamp Of(const struct stat& st) {
        return {true,
                st.st_dev,
                st.st_ino,
                st.st_size,
                static_cast<long>(st.st_mtim.tv_sec),
                static_cast<long>(st.st_mtim.tv_nsec)};
    }
    bool operator==(const FileStamp&) const = default;
};

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting whether the close succeeded.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || close(fd) == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

struct Registry::State {
    std::mutex mutex;
    Tree tree;
    // The text last read from or written to the file; none when there is no
    // file. A mutation that leaves the text as it is writes nothing.
    std::optional<std::string> diskText;
    bool haveStamp = false;
    FileStamp stamp;
    // Set while the file on disk does not parse: writes are refused.
    std::string loadError;

    // Brings the tree up to date with the file. Without the lock the file's
    // stamp decides whether it is read again; under the lock it is always
    // read, since a stamp can repeat (coarse times, reused inodes) and a
    // missed change would be lost by the save that follows.
    long Refresh(const std::filesystem::path& file, bool underLock) {
        FileDescriptor fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) {
            if (errno != ENOENT) {
                loadError = file.string() + ": " + std::strerror(errno);
                return ERROR_REGISTRY_IO_FAILED;
            }
            haveStamp = true;
            stamp = FileStamp{};
            if (diskText || !loadError.empty()) tree = Tree{};
            diskText.reset();
            loadError.clear();
            return ERROR_SUCCESS;
        }
        struct stat st {};
        if (fstat(fd.get(), &st) != 0) {
            loadError = file.string() + ": " + std::strerror(errno);
            return ERROR_REGISTRY_IO_FAILED;
        }
        const FileStamp now = FileStamp::Of(st);
        if (!underLock && haveStamp && now == stamp)
            return loadError.empty() ? ERROR_SUCCESS : ERROR_BADDB;
        haveStamp = true;
        stamp = now;
        if (!S_ISREG(st.st_mode)) {
            loadError = file.string() + ": not a regular file";
            return ERROR_REGISTRY_IO_FAILED;
        }
        if (static_cast<uintmax_t>(st.st_size) > kMaxFileSize) {
            loadError = file.string() + ": larger than " + std::to_string(kMaxFileSize) + " bytes";
            return ERROR_BADDB;
        }
        std::string text;
        for (;;) {
            const size_t used = text.size();
            text.resize(used + 65536);
            const ssize_t n = read(fd.get(), text.data() + used, 65536);
            const int readError = errno;
            text.resize(used + (n > 0 ? static_cast<size_t>(n) : 0));
            if (n < 0 && readError == EINTR) continue;
            if (n < 0) {
                loadError = file.string() + ": " + std::strerror(readError);
                return ERROR_REGISTRY_IO_FAILED;
            }
            if (n == 0) break;
            if (text.size() > kMaxFileSize) {
                loadError =
                    file.string() + ": larger than " + std::to_string(kMaxFileSize) + " bytes";
                return ERROR_BADDB;
            }
        }
        if (diskText && text == *diskText && loadError.empty()) return ERROR_SUCCESS;
        Tree fresh;
        std::string message;
        if (!registry_detail::ApplyText(text, &fresh, true, file.string(), &message)) {
            loadError = message;
            return ERROR_BADDB;
        }
        tree = std::move(fresh);
        diskText = std::move(text);
        loadError.clear();
        return ERROR_SUCCESS;
    }

    // Replaces the file with `text`: a temporary file beside it, flushed,
    // renamed over it, and the folder flushed. The caller holds the lock.
    bool Save(const std::filesystem::path& file, const std::string& text) {
        std::filesystem::path temp = file;
        temp += ".tmp";
        FileDescriptor fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (fd.get() < 0) return false;
        const size_t half = text.size() / 2;
        const bool written = Step(RegistrySaveStep::TempOpened) &&
                             WriteAll(fd.get(), text.data(), half) &&
                             Step(RegistrySaveStep::TempHalfWritten) &&
                             WriteAll(fd.get(), text.data() + half, text.size() - half) &&
                             Step(RegistrySaveStep::TempWritten) && fsync(fd.get()) == 0 &&
                             Step(RegistrySaveStep::TempSynced);
        if (!fd.Close() || !written || rename(temp.c_str(), file.c_str()) != 0) {
            unlink(temp.c_str());
            return false;
        }
        // The new file stands from here on; what follows only makes it
        // durable, and a failure there does not undo the change.
        Step(RegistrySaveStep::Renamed);
        std::filesystem::path folder = file.parent_path();
        if (folder.empty()) folder = ".";
        FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0) fsync(dir.get());
        Step(RegistrySaveStep::FolderSynced);

        struct stat st {};
        haveStamp = stat(file.c_str(), &st) == 0;
        if (haveStamp) stamp = FileStamp::Of(st);
        diskText = text;
        return true;
    }

    // Runs `change` on the tree under the file lock and saves the result. A
    // change that fails, or a save that fails, leaves the tree as it was.
    template <typename Change> long Mutate(const std::filesystem::path& file, Change change);
};

template <typename Change>
long Registry::State::Mutate(const std::filesystem::path& file, Change change) {
    ExclusiveFileLock lock(file.parent_path() / "registry.lock");
    if (!lock.held()) return ERROR_CANTWRITE;
    if (long rc = Refresh(file, true)) return rc;
    // A file that nobody may write is kept as it is: replacing it by a new
    // one would undo whoever made it read-only.
    struct stat st {};
    if (stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return ERROR_ACCESS_DENIED;
    if (!Step(RegistrySaveStep::Locked)) return ERROR_CANTWRITE;
    Tree before = tree;
    if (long rc = change(tree)) {
        tree = std::move(before);
        return rc;
    }
    const std::string text = registry_detail::ExportText(tree);
    if (diskText && text == *diskText) return ERROR_SUCCESS;
    if (!Save(file, text)) {
        tree = std::move(before);
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

Registry::Registry(std::filesystem::path file)
    : file_(std::move(file)), state_(std::make_unique<State>()) {}

Registry::~Registry() = default;

void Registry::SetSaveHook(SaveHook hook) {
    Hook() = std::move(hook);
}

bool Registry::Load(std::string* error) {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->haveStamp = false;
    if (state_->Refresh(file_, false) == ERROR_SUCCESS) return true;
    if (error) *error = state_->loadError;
    return false;
}

std::string Registry::LoadError() {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->Refresh(file_, false);
    return state_->loadError;
}

bool Registry::KeyExists(RegistryRoot root, std::string_view path) {
    if (CheckPath(path) != ERROR_SUCCESS) return false;
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->Refresh(file_, false);
    return registry_detail::FindKey(state_->tree, root, registry_detail::SplitPath(path)) !=
           nullptr;
}

long Registry::CreateKey(RegistryRoot root, std::string_view path, bool* created) {
    if (created) *created = false;
    if (long rc = CheckPath(path)) return rc;
    std::lock_guard<std::mutex> guard(state_->mutex);
    bool made = false;
    const long rc = state_->Mutate(file_, [&](Tree& tree) {
        registry_detail::MakeKey(tree, root, registry_detail::SplitPath(path), &made);
        return ERROR_SUCCESS;
    });
    if (rc == ERROR_SUCCESS && created) *created = made;
    return rc;
}

long Registry::DeleteKey(RegistryRoot root, std::string_view path) {
    if (long rc = CheckPath(path)) return rc;
    const std::vector<std::string_view> parts = registry_detail::SplitPath(path);
    if (parts.empty()) return ERROR_ACCESS_DENIED;
    std::lock_guard<std::mutex> guard(state_->mutex);
    return state_->Mutate(file_, [&](Tree& tree) {
        return registry_detail::RemoveKey(tree, root, parts) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

long Registry::GetValue(RegistryRoot root, std::string_view path, std::string_view name,
                        RegistryValue* out) {
    if (long rc = CheckPath(path)) return rc;
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->Refresh(file_, false);
    Key* key = registry_detail::FindKey(state_->tree, root, registry_detail::SplitPath(path));
    const RegistryValue* value = key ? key->FindValue(name) : nullptr;
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (out) *out = *value;
    return ERROR_SUCCESS;
}

long Registry::SetValue(RegistryRoot root, std::string_view path, const RegistryValue& value) {
    if (long rc = CheckPath(path)) return rc;
    if (long rc = registry_detail::CheckValueName(value.name)) return rc;
    if (value.data.size() > kMaxDataSize) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> guard(state_->mutex);
    return state_->Mutate(file_, [&](Tree& tree) {
        Key* key = registry_detail::FindKey(tree, root, registry_detail::SplitPath(path));
        if (key == nullptr) return ERROR_FILE_NOT_FOUND;
        registry_detail::PutValue(*key, value);
        return ERROR_SUCCESS;
    });
}

long Registry::DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) {
    if (long rc = CheckPath(path)) return rc;
    std::lock_guard<std::mutex> guard(state_->mutex);
    return state_->Mutate(file_, [&](Tree& tree) {
        Key* key = registry_detail::FindKey(tree, root, registry_detail::SplitPath(path));
        if (key == nullptr) return ERROR_FILE_NOT_FOUND;
        for (auto it = key->values.begin(); it != key->values.end(); ++it) {
            if (NamesEqual(it->name, name)) {
                key->values.erase(it);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

long Registry::SubKeyName(RegistryRoot root, std::string_view path, uint32_t index,
                          std::string* name) {
    if (long rc = CheckPath(path)) return rc;
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->Refresh(file_, false);
    Key* key = registry_detail::FindKey(state_->tree, root, registry_detail::SplitPath(path));
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    if (name) *name = key->subkeys[index].name;
    return ERROR_SUCCESS;
}

long Registry::EnumValue(RegistryRoot root, std::string_view path, uint32_t index,
                         RegistryValue* out) {
    if (long rc = CheckPath(path)) return rc;
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->Refresh(file_, false);
    Key* key = registry_detail::FindKey(state_->tree, root, registry_detail::SplitPath(path));
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    if (out) *out = key->values[index];
    return ERROR_SUCCESS;
}

bool Registry::Import(std::string_view regText, std::string* error) {
    std::lock_guard<std::mutex> guard(state_->mutex);
    std::string notes;
    bool headerOk = true;
    const long rc = state_->Mutate(file_, [&](Tree& tree) {
        headerOk = registry_detail::ApplyText(regText, &tree, false, file_.string(), &notes);
        return headerOk ? ERROR_SUCCESS : ERROR_BAD_FORMAT;
    });
    if (rc == ERROR_SUCCESS) {
        if (error) *error = notes;
        return true;
    }
    if (error) {
        if (!headerOk)
            *error = notes;
        else if (!state_->loadError.empty())
            *error = state_->loadError;
        else
            *error = file_.string() + ": cannot be written";
    }
    return false;
}

std::string Registry::Export() {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->Refresh(file_, false);
    return registry_detail::ExportText(state_->tree);
}

} // namespace machine
