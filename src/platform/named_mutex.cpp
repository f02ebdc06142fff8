#include "named_mutex.h"

#include "host_config.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

NamedMutex::NamedMutex(const std::string& name)
{
    std::string folder = host().lockDirectory.empty() ? std::string("/tmp") : host().lockDirectory;
    if (folder.back() != '/')
        folder += '/';
    const std::string file = folder + name + ".lock";
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A lock that cannot even be made counts as held elsewhere: better one preview too few
    // than two drawing into the same window.
    owned_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

NamedMutex::~NamedMutex()
{
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace platform
