#include "test_support.h"

#include "platform/host_config.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

TempDir::TempDir()
{
    std::string templ = (std::filesystem::temp_directory_path() / "lumivane-test-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env, int timeoutSeconds)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        for (const auto& [k, v] : env) {
            if (v.empty())
                ::unsetenv(k.c_str());
            else
                ::setenv(k.c_str(), v.c_str(), 1);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    RunResult result;
    // Read in a thread so a chatty child cannot block on a full pipe while we wait.
    std::thread reader([&] {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0)
            result.output.append(buf, static_cast<size_t>(n));
        ::close(pipeFds[0]);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.output += "\n[killed after timeout]";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    reader.join();
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ScratchHost::ScratchHost()
{
    platform::HostConfig& h = platform::host();
    h = platform::HostConfig{};
    h.currentUserHive = hkcu();
    h.localMachineHive = hklm();
    h.driveC = driveC();
    h.systemDirectory = dir_.path() + "/system/";
    h.lockDirectory = dir_.path();
    std::filesystem::create_directories(driveC());
}

ScratchHost::~ScratchHost()
{
    platform::host() = platform::HostConfig{};
}

}  // namespace testing_support
