#include "getinet_file.h"

#include "is_inet_online.h"

#include "platform/host_config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string agentName()
{
    const std::string exe = platform::ExecutablePath();
    return exe.empty() ? std::string("lumivane") : std::filesystem::path(exe).filename().string();
}

std::string reason(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// The temporary file: removed unless it was put in place.
struct PartFile {
    std::string path;
    int fd = -1;
    bool kept = false;
    ~PartFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!kept && !path.empty())
            std::remove(path.c_str());
    }
};

}  // namespace

bool DownloadToFile(const std::string& url, const std::string& localPath, const platform::FetchLimits& limits)
{
    PartFile part;
    std::string pattern = localPath + ".part-XXXXXX";
    part.fd = ::mkstemp(pattern.data());
    if (part.fd < 0)
        throw EInOutError(reason("cannot create", localPath));
    part.path = pattern;
    ::fchmod(part.fd, 0644);

    platform::FetchRequest request{url, agentName(), UserProxyServer(), limits};
    std::string error;
    const bool fetched = platform::FetchUrl(request, [&](const char* data, size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(part.fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw EInOutError(reason("cannot write", localPath));
            data += written;
            size -= static_cast<size_t>(written);
        }
    }, error);
    if (!fetched)
        return false;
    if (::fsync(part.fd) != 0 || ::close(part.fd) != 0) {
        part.fd = -1;
        throw EInOutError(reason("cannot write", localPath));
    }
    part.fd = -1;
    if (std::rename(part.path.c_str(), localPath.c_str()) != 0)
        throw EInOutError(reason("cannot replace", localPath));
    part.kept = true;
    return true;
}

bool GetInetFile(const std::string& url, const std::string& localPath, const platform::FetchLimits& limits)
{
    try {
        if (IsInetOnline() == 0)
            return false;
        return DownloadToFile(url, localPath, limits);
    } catch (...) {
        return false;
    }
}
