#include "folder_scan.h"

#include "picture_format.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// A batch goes once it holds this many pictures or has waited this long: the show gets
// the first ones at once, and a large folder does not cost a hand-over per file.
constexpr size_t kBatchSize = 256;
constexpr auto kBatchWait = std::chrono::milliseconds(20);

struct Scan {
    Scan(const std::function<void(std::vector<std::string>&&)>& f, const std::atomic<bool>& s) : found(f), stop(s) {}

    const std::function<void(std::vector<std::string>&&)>& found;
    const std::atomic<bool>& stop;
    std::vector<std::string> batch;
    Clock::time_point batchStart = Clock::now();
    size_t count = 0;
    // Folders already read (a bind mount may lead back into its own tree).
    std::set<std::pair<dev_t, ino_t>> seen;

    void add(std::string path)
    {
        batch.push_back(std::move(path));
        ++count;
        if (batch.size() >= kBatchSize)
            flush();
    }
    // At every entry looked at: what was found goes out once it has waited long enough,
    // and a scan that finds nothing for a while still says it is alive (an empty batch).
    void beat()
    {
        if (Clock::now() - batchStart >= kBatchWait)
            flush(true);
    }
    void flush(bool evenEmpty = false)
    {
        if (!batch.empty() || evenEmpty)
            found(std::exchange(batch, {}));
        batchStart = Clock::now();
    }

    void folder(const std::string& path)
    {
        struct stat st {};
        if (stop || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !seen.insert({st.st_dev, st.st_ino}).second)
            return;
        DIR* dir = ::opendir(path.c_str());
        if (!dir)
            return;  // unreadable: skipped, as a missing file is
        std::vector<std::string> files, folders;
        while (const dirent* entry = ::readdir(dir)) {
            if (stop)
                break;
            beat();
            const std::string name = entry->d_name;
            if (name.empty() || name[0] == '.')
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat es {};
                if (::lstat((path + name).c_str(), &es) != 0)
                    continue;
                type = S_ISREG(es.st_mode) ? DT_REG : S_ISDIR(es.st_mode) ? DT_DIR : DT_UNKNOWN;
            }
            if (type == DT_REG)
                files.push_back(name);
            else if (type == DT_DIR)
                folders.push_back(name);
        }
        ::closedir(dir);
        std::sort(files.begin(), files.end(), NaturalLess);
        std::sort(folders.begin(), folders.end(), NaturalLess);
        for (const std::string& name : files) {
            if (stop)
                return;
            beat();
            const std::string file = path + name;
            try {
                PeekPictureFormat(file);
                add(file);
            } catch (const PictureError&) {
                // Not a picture the show decodes, or gone since the listing.
            }
        }
        for (const std::string& name : folders)
            folder(path + name + "/");
    }
};

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            size_t si = i, sj = j;  // leading zeros do not count
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size() && i >= a.size();
    return a < b;  // equal but for case or leading zeros: still one order
}

bool ScanOrderLess(const std::string& a, const std::string& b)
{
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia == a.end() && ib == b.end())
        return false;
    // The name each is at, where they part: from the slash before, up to the next one.
    const size_t parted = static_cast<size_t>(ia - a.begin());
    const size_t slash = parted == 0 ? std::string::npos : a.rfind('/', parted - 1);
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    const size_t endA = a.find('/', start), endB = b.find('/', start);
    const bool folderA = endA != std::string::npos, folderB = endB != std::string::npos;
    if (folderA != folderB)
        return folderB;
    return NaturalLess(a.substr(start, folderA ? endA - start : std::string::npos),
                       b.substr(start, folderB ? endB - start : std::string::npos));
}

size_t ScanFollowedFolder(const std::string& folder, const std::function<void(std::vector<std::string>&&)>& found,
                          const std::atomic<bool>& stop)
{
    Scan scan(found, stop);
    scan.folder(folder.empty() || folder.back() == '/' ? folder : folder + "/");
    scan.flush();
    return scan.count;
}
