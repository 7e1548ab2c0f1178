#include "file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace machine {

ExclusiveFileLock::ExclusiveFileLock(const std::filesystem::path& lockFile) {
    fd_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    int rc;
    while ((rc = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        close(fd_);
        fd_ = -1;
    }
}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (fd_ >= 0) close(fd_);
}

} // namespace machine
