// An exclusive lock on a lock file, for one change of a file that several
// programs on the machine share (the registry, the devices' state).
#pragma once

#include <filesystem>

namespace machine {

class ExclusiveFileLock {
  public:
    // Blocks until the lock is held, or fails (held() is then false). The
    // lock file is opened anew for each lock: a descriptor kept open would be
    // shared with a forked child, and the two would hold the lock together.
    explicit ExclusiveFileLock(const std::filesystem::path& lockFile);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

} // namespace machine
