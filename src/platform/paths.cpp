#include "paths.h"

#include "host_config.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string DriveC()
{
    std::string root = host().driveC;
    if (root.empty())
        root = EnvValue("HOME");
    if (root.empty())
        root = "/";
    return IncludeTrailingPathDelimiter(root);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int OpenRegularFile(const std::string& path, std::string& why)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        why = path.empty() ? std::string("nom vide") : std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "pas un fichier ordinaire";
        return -1;
    }
    // Non-blocking in case the name was swapped for a pipe since the check; fstat tells.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "pas un fichier ordinaire";
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    if (path.empty() || path.back() != '/')
        return path + '/';
    return path;
}

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

}  // namespace platform
