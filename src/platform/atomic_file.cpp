#include "atomic_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string failed(const std::string& what, const std::string& file)
{
    return what + " " + file + ": " + std::strerror(errno);
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string ReplaceFile(const std::string& file, const std::string& bytes)
{
    struct stat old {};
    const bool replacing = ::stat(file.c_str(), &old) == 0;
    const std::string temp = file + ".tmp." + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return failed("cannot create", temp);
    std::string error;
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = failed("cannot set the mode of", temp);
    else if (!writeAll(fd, bytes))
        error = failed("cannot write", temp);
    else if (::fsync(fd) != 0)
        error = failed("cannot sync", temp);
    // A network file system may report a lost write only here.
    if (::close(fd) != 0 && error.empty())
        error = failed("cannot close", temp);
    if (error.empty() && ::rename(temp.c_str(), file.c_str()) != 0)
        error = failed("cannot replace", file);
    if (!error.empty()) {
        ::unlink(temp.c_str());
        return error;
    }
    // The rename itself lasts only once the folder is on the disk.
    const std::filesystem::path path(file);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

}  // namespace platform
