#include "named_mutex.h"

#include "host_config.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

NamedMutex::NamedMutex(const std::string& name)
{
    std::string folder = host().lockDirectory.empty() ? std::string("/tmp") : host().lockDirectory;
    if (folder.back() != '/')
        folder += '/';
    // The shared /tmp (no runtime folder) holds every user's locks: one each, so that
    // another user's holder never stands in for this user's.
    path_ = folder + name + (folder == "/tmp/" ? "-" + std::to_string(::getuid()) : std::string()) + ".lock";
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info {};
    // Only a plain file of this user's own: in a shared folder, another user could have
    // made it, and held it forever. A lock that cannot be made counts as held elsewhere:
    // better one preview too few than two drawing into the same window.
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        error_ = fd_ < 0 ? std::strerror(errno) : "le fichier n'est pas un fichier de cet utilisateur";
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return;
    }
    owned_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    if (!owned_) {
        char text[32] = {};
        const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
        holder_ = n > 0 ? std::string(text, size_t(n)) : "";
        while (!holder_.empty() && (holder_.back() == '\n' || holder_.back() == ' '))
            holder_.pop_back();
        return;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0)
        (void)!::pwrite(fd_, pid.data(), pid.size(), 0);
}

NamedMutex::~NamedMutex()
{
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace platform
