#pragma once
// Helpers the test programs share: scratch folders, files, and running a real program.

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
std::vector<std::string> Lines(const std::string& text);

struct RunResult {
    int exitCode = -1;  // -1 when it did not end normally
    std::string output; // standard output and error together
};

// Runs a program with extra environment variables (an empty value unsets one) and waits.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env = {}, int timeoutSeconds = 30);

// Points the platform's hives, drive C: and message-box hooks into a scratch folder.
class ScratchHost {
public:
    ScratchHost();
    ~ScratchHost();
    const TempDir& dir() const { return dir_; }
    std::string hkcu() const { return dir_.file("HKCU.reg"); }
    std::string hklm() const { return dir_.file("HKLM.reg"); }
    std::string driveC() const { return dir_.path() + "/c/"; }

private:
    TempDir dir_;
};

}  // namespace testing_support
