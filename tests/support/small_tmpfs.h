#pragma once
// A small tmpfs of the test's own, to meet a full disk for real. Mounting needs root: when
// it cannot be mounted, skipReason() says why and the test skips.

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace testing_support {

class SmallTmpfs {
public:
    explicit SmallTmpfs(size_t bytes)
    {
        if (::geteuid() != 0) {
            reason_ = "a full disk is met on a tmpfs of the test's own, and mounting one needs root";
            return;
        }
        std::string pattern = "/tmp/lumivane-tmpfs-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            reason_ = std::string("no mount point: ") + std::strerror(errno);
            return;
        }
        path_ = pattern;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            reason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            ::rmdir(path_.c_str());
            path_.clear();
            return;
        }
        mounted_ = true;
    }
    ~SmallTmpfs()
    {
        if (mounted_)
            ::umount2(path_.c_str(), MNT_DETACH);
        if (!path_.empty())
            ::rmdir(path_.c_str());
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    const std::string& skipReason() const { return reason_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Takes every free byte left, in a file of its own; false if the disk never filled.
    bool Fill()
    {
        const int fd = ::open(file(kFiller).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        static const char block[4096] = {};
        bool full = false;
        for (;;) {
            size_t size = sizeof block;
            ssize_t n = ::write(fd, block, size);
            // Byte by byte at the end, so not even a fragment of a block stays free.
            while (n < 0 && errno == ENOSPC && size > 1)
                n = ::write(fd, block, size /= 2);
            if (n < 0) {
                full = errno == ENOSPC;
                break;
            }
        }
        ::close(fd);
        return full;
    }
    // Gives the space back.
    void Free() { ::unlink(file(kFiller).c_str()); }

private:
    static constexpr const char* kFiller = "filler";
    std::string path_;
    std::string reason_;
    bool mounted_ = false;
};

}  // namespace testing_support
