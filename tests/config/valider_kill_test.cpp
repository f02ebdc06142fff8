// Valider pressed in a real dialog process that is killed at random moments of its saves:
// the hives always load afterwards, to the choices before the press or after it, and no
// file a killed save leaves behind stands in the way of the next one.
// LUMIVANE_VALIDER_KILLS sets the number of kills (50 by default; bench/valider_kill.sh
// runs 1,000).

#include "valider_variants.h"

#include "settings/settings.h"

#include "platform/registry.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testing_support::ScratchHost;
using testing_support::WriteFile;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The helper program with its standard output on a pipe, read for its progress marks.
class ValiderLoop {
public:
    ValiderLoop(const std::vector<std::string>& env, const std::string& errorFile, const std::string& count = "")
    {
        std::vector<std::string> strings(env);
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            const std::string name = entry.substr(0, entry.find('=') + 1);
            if (std::none_of(env.begin(), env.end(), [&](const std::string& s) { return s.starts_with(name); }))
                strings.push_back(entry);
        }
        std::vector<char*> envp;
        for (auto& s : strings)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        std::string program = VALIDER_LOOP;
        std::vector<char*> argv{program.data()};
        std::string countArg = count;
        if (!countArg.empty())
            argv.push_back(countArg.data());
        argv.push_back(nullptr);

        // Its standard error goes to a file: the off-screen platform's warnings are noise.
        const int errors = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            if (errors >= 0)
                ::dup2(errors, STDERR_FILENO);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        if (errors >= 0)
            ::close(errors);
        out_ = fds[0];
    }
    ~ValiderLoop()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            ::close(out_);
    }

    // Reads progress marks until the dialog is open and `presses` more Valider have
    // saved, or the deadline passes.
    bool waitFor(bool open, long presses, std::chrono::seconds deadline = std::chrono::seconds(60))
    {
        const auto end = Clock::now() + deadline;
        const long target = presses_ + presses;
        while ((open && !open_) || presses_ < target) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd p{out_, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0 || !readMarks())
                return false;
        }
        return true;
    }
    // Kills it and gives the number of presses it finished.
    long killNow()
    {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        reaped_ = true;
        while (readMarks()) {
        }
        return presses_;
    }
    // Waits for it to end by itself; its exit status, or -1.
    int finish()
    {
        while (readMarks()) {
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    bool readMarks()
    {
        char buf[256];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        for (ssize_t i = 0; i < n; ++i) {
            open_ = open_ || buf[i] == 'r';
            presses_ += buf[i] == '.';
        }
        return n > 0;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    bool open_ = false;
    bool reaped_ = false;
    long presses_ = 0;
};

int countLeftovers(const std::string& hive)
{
    const std::filesystem::path path(hive);
    const std::string prefix = path.filename().string() + ".tmp.";
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(path.parent_path()))
        n += e.path().filename().string().starts_with(prefix);
    return n;
}

class ValiderKilled : public ::testing::Test {
protected:
    ValiderKilled()
    {
        const std::string inst = host.dir().path() + "/inst/";
        const std::string pics = host.dir().path() + "/pics/";
        std::filesystem::create_directories(inst);
        std::filesystem::create_directories(pics);
        std::filesystem::create_directories(host.dir().path() + "/run");
        std::filesystem::permissions(host.dir().path() + "/run", std::filesystem::perms::owner_all);
        const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
        WriteFile(host.hklm(), header + "[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n\"CheminInstall\"=\"" +
                                   inst + "\"\r\n");
        // Enough pictures that a save takes a while; the newsletter prompt is off.
        std::string user = header + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"
                                    "\"Afficher Dlg Lettre info\"=dword:00000001\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n";
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        for (int i = 0; i < 60; ++i) {
            images.push_back(pics + "image " + std::to_string(i) + ".bmp");
            picture.save(QString::fromStdString(images.back()), "BMP");
            user += "\"" + std::to_string(i) + "\"=\"" + images.back() + "\"\r\n";
        }
        WriteFile(host.hkcu(), user);
        env = {"LUMIVANE_HKCU=" + host.hkcu(),
               "LUMIVANE_HKLM=" + host.hklm(),
               "LUMIVANE_DRIVE_C=" + host.driveC(),
               "LUMIVANE_SYSTEM_DIR=" + host.dir().path() + "/system/",
               "LUMIVANE_MSGBOX_LOG=" + host.dir().file("boxes.log"),
               "LUMIVANE_MSGBOX_ANSWER=no",
               "XDG_RUNTIME_DIR=" + host.dir().path() + "/run",
               "QT_QPA_PLATFORM=offscreen"};
    }

    // Which set of choices the hives hold now, or a failure naming what is wrong.
    int stored(std::string& problem)
    {
        TSettings s{TSettings::DefaultsOnly{}};
        try {
            s.ReadRegistry();
            platform::LoadHiveFile(host.hklm(), "HKEY_LOCAL_MACHINE");
        } catch (const std::exception& e) {
            problem = std::string("a hive does not load: ") + e.what();
            return -1;
        }
        if (s.Images != images) {
            problem = "the picture list has " + std::to_string(s.Images.size()) + " pictures";
            return -1;
        }
        for (int v = 0; v < 3; ++v)
            if (kValiderVariants[v].matches(s))
                return v;
        problem = "the settings are a mixture (Vitesse " + std::to_string(s.Vitesse) + ", colour " +
                  s.BackGroundColor + ")";
        return -1;
    }

    std::string errors() const { return host.dir().file("valider_loop.err"); }

    ScratchHost host;
    std::vector<std::string> images;
    std::vector<std::string> env;
};

}  // namespace

TEST_F(ValiderKilled, HivesLoadToTheChoicesBeforeOrAfterThePress)
{
    const char* setting = std::getenv("LUMIVANE_VALIDER_KILLS");
    const int kills = setting ? std::atoi(setting) : 50;
    std::string problem;

    // A press that finishes: the first choices are stored and the machine is validated.
    {
        ValiderLoop once(env, errors(), "1");
        ASSERT_EQ(once.finish(), 0);
    }
    int before = stored(problem);
    ASSERT_EQ(before, 0) << problem;
    ASSERT_TRUE(IsConfigValidated());

    // How long one press takes here, so the kills fall across whole presses.
    Clock::duration press;
    {
        ValiderLoop timing(env, errors());
        ASSERT_TRUE(timing.waitFor(true, 1)) << "the dialog did not open and save";
        const auto start = Clock::now();
        ASSERT_TRUE(timing.waitFor(false, 10));
        press = (Clock::now() - start) / 10;
    }
    before = stored(problem);
    ASSERT_GE(before, 0) << problem;

    std::mt19937 rng(std::random_device{}());
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(press * 3).count();
    int keptOld = 0, tookNew = 0, leftBehind = 0, beforeFirstPress = 0;
    for (int round = 0; round < kills; ++round) {
        ValiderLoop loop(env, errors());
        ASSERT_TRUE(loop.waitFor(true, 0)) << "round " << round << ": the dialog did not open";
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long>(0, span)(rng)));
        const long presses = loop.killNow();

        const int now = stored(problem);
        ASSERT_GE(now, 0) << "round " << round << ", after " << presses << " presses: " << problem;
        // The press under way when the kill came, or the one before it (or, before any
        // press finished, what the hive held before the program started).
        const int under = static_cast<int>(presses % 3);
        const int last = presses == 0 ? before : static_cast<int>((presses + 2) % 3);
        ASSERT_TRUE(now == under || now == last)
            << "round " << round << ": after " << presses << " presses the hive holds choices " << now;
        ASSERT_TRUE(IsConfigValidated()) << "round " << round;
        // What a killed save leaves is its own temporary file at most, one per hive: earlier
        // ones went with the saves of that hive that followed them.
        for (const std::string& hive : {host.hkcu(), host.hklm()}) {
            const int leftovers = countLeftovers(hive);
            ASSERT_LE(leftovers, 1) << "round " << round << ", " << hive;
            leftBehind += leftovers;
        }
        beforeFirstPress += presses == 0;
        (now == last ? keptOld : tookNew) += 1;
        before = now;
    }

    // The next whole press saves, and clears what the last kill left.
    {
        ValiderLoop once(env, errors(), "2");
        ASSERT_EQ(once.finish(), 0);
    }
    EXPECT_EQ(stored(problem), 1) << problem;
    EXPECT_EQ(countLeftovers(host.hkcu()) + countLeftovers(host.hklm()), 0);

    std::cout << "kills: " << kills << ", one press: "
              << std::chrono::duration_cast<std::chrono::microseconds>(press).count()
              << " us, kills before the first press ended: " << beforeFirstPress
              << ", hive kept the choices before the press: " << keptOld << ", took the press's choices: " << tookNew
              << ", kills that left a temporary file: " << leftBehind << std::endl;
}
