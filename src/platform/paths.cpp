#include "paths.h"

#include "host_config.h"

#include <sys/stat.h>

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
