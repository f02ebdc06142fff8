// A long slide show off screen: the show session's own cycle, the effects and the picture
// loading, round and round, with one damaged file in the list. It checks that the memory
// the process holds levels off, that every effect number comes round several times, and
// that the damaged file is skipped each time it comes up. Run it in a sanitizer build
// (bench/soak.sh) so a leak or a bad access fails it too. Cycles are counted once every
// effect has played: the first play of each raises the allocators' high-water mark once,
// which is not growth.
//
//   soak [--cycles N] [--sample N] [--min-plays N] [--no-warm-up] [--size WxH] PHOTO...

#include "display/show_session.h"

#include "effects/draw_transition.h"
#include "settings/app_state.h"
#include "settings/trace_log.h"

#include "platform/gdi/bitmap.h"

#include "support/test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizers' allocator interface (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
extern "C" void __sanitizer_purge_allocator();
#endif

namespace {

struct Options {
    int cycles = 2000;
    int sample = 200;     // the cycle whose memory the last one is measured against
    int minPlays = 5;     // plays every effect number must reach
    bool warmUp = true;   // uncounted cycles first, until every effect number has played
    int width = 480, height = 300;
    std::vector<std::string> photos;
};

[[noreturn]] void usage(const std::string& why)
{
    std::cerr << "soak: " << why << "\n"
              << "usage: soak [--cycles N] [--sample N] [--min-plays N] [--no-warm-up] [--size WxH] PHOTO...\n";
    std::exit(2);
}

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--cycles")
            o.cycles = std::atoi(value().c_str());
        else if (a == "--no-warm-up")
            o.warmUp = false;
        else if (a == "--sample")
            o.sample = std::atoi(value().c_str());
        else if (a == "--min-plays")
            o.minPlays = std::atoi(value().c_str());
        else if (a == "--size") {
            if (std::sscanf(value().c_str(), "%dx%d", &o.width, &o.height) != 2)
                usage("--size takes WxH");
        } else if (!a.empty() && a[0] == '-')
            usage("unknown option " + a);
        else
            o.photos.push_back(a);
    }
    if (o.photos.empty())
        usage("no photographs given");
    if (o.cycles < 1 || o.sample < 1 || o.sample >= o.cycles || o.width < 16 || o.height < 16)
        usage("need 0 < sample < cycles and a size of at least 16x16");
    return o;
}

// Resident memory of this process in KiB, from /proc.
long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// What a picture cycle leaves held: resident memory as it stands, and once the allocator
// has handed back the freed pages it keeps for reuse (a large effect's buffers raise that
// high-water mark once, and the sanitizer's quarantine swings it by a quarter from one
// sample to the next: neither is growth).
struct Memory {
    long raw = -1, held = -1;
    long liveHeap = -1;  // KiB the sanitizer's allocator has handed out and not had back
};

Memory memoryNow()
{
    Memory m;
    m.raw = residentKiB();
    malloc_trim(0);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_purge_allocator();
#endif
    m.held = residentKiB();
#if defined(__SANITIZE_ADDRESS__)
    m.liveHeap = static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#endif
    return m;
}

// What the trace log says the show did.
struct Tally {
    std::map<std::string, int> loaded;  // "Image : " lines by file
    int unreadable = 0;                 // "Image illisible : " lines
    std::string reason;                 // the first of them
    std::map<int, int> plays;           // "Effet n° :  " lines by number
    size_t end = 0;                     // the log's length when read
};

Tally readLog(size_t from)
{
    Tally t;
    const std::string image = "| Image : ", unreadable = "| Image illisible : ", effect = "| Effet n° :  ";
    const std::string log = ReadFile(TraceLogPath());
    t.end = log.size();
    for (const auto& line : Lines(log.substr(std::min(from, log.size())))) {
        if (auto at = line.find(image); at != std::string::npos) {
            const std::string rest = line.substr(at + image.size());
            ++t.loaded[rest.substr(0, rest.find(". Taille :"))];
        } else if (auto at = line.find(unreadable); at != std::string::npos) {
            if (t.unreadable++ == 0)
                t.reason = line.substr(at + unreadable.size(), line.find('\r') - at - unreadable.size());
        } else if (auto at = line.find(effect); at != std::string::npos) {
            ++t.plays[std::atoi(line.c_str() + at + effect.size())];
        }
    }
    return t;
}

// The session says when a cycle asks for its picture (the log's length then is where the
// next cycle's lines begin). After the warm-up the resident memory is read every `sample`
// cycles, and the show is stopped once `cycles` more have run.
class CycleCounter : public QObject {
public:
    CycleCounter(int sample, int cycles, bool warmUp) : sample_(sample), cycles_(cycles), warming_(warmUp) {}

    bool cycle()
    {
        if (done)
            return false;
        if (warming_) {
            // Only the lines since the last cycle are read.
            const Tally t = readLog(logStart);
            logStart = t.end;
            for (const auto& [number, plays] : t.plays)
                if (number >= 1 && number <= effects::kEffectCount)
                    warmedUp_.insert(number);
            warming_ = int(warmedUp_.size()) < effects::kEffectCount;
            if (warming_) {
                ++warmUpCycles;
                return false;
            }
            atWarmUp = memoryNow();
        }
        if (started_ > 0 && (started_ % sample_ == 0 || started_ == cycles_))
            trend.push_back(memoryNow());
        if (started_ == sample_)
            rssAtSample = trend.back();
        if (started_ == cycles_) {
            rssAtEnd = trend.back();
            done = true;
        } else {
            ++started_;
        }
        return false;
    }

    Memory atWarmUp, rssAtSample, rssAtEnd;
    int warmUpCycles = 0;
    size_t logStart = 0;  // where the counted cycles' lines begin
    std::vector<Memory> trend;  // after every `sample` cycles, to see where growth levels off
    bool done = false;

private:
    int sample_, cycles_;
    bool warming_;
    std::set<int> warmedUp_;  // effect numbers played during the warm-up
    int started_ = 0;
};

// A photograph cut short after its first 4 KB, as a broken copy or download leaves it.
std::string damagedCopy(const std::string& photo, const std::string& path)
{
    const std::string whole = ReadFile(photo);
    WriteFile(path, whole.substr(0, std::min<size_t>(whole.size(), 4096)));
    return path;
}

// The hives of a show with no pause, the effects stepped in order through every number,
// the pictures in list order, and the trace log on.
void writeHives(const ScratchHost& host, const std::vector<std::string>& pictures)
{
    WriteFile(host.hklm(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\"
                           "lumivane]\r\n\"CheminInstall\"=\"/opt/lumivane/\"\r\n");
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"
                       "\"LOG\"=dword:00000001\r\n\"Rapidite\"=dword:00000000\r\n\"Vitesse\"=dword:00000000\r\n"
                       "\"Effet\"=dword:00000001\r\n\"AleaEffets\"=dword:00000000\r\n\"Alea\"=dword:00000000\r\n"
                       "\"Selection\"=\"\"\r\n"
                       "\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n";
    for (size_t i = 0; i < pictures.size(); ++i)
        text += "\"" + std::to_string(i) + "\"=\"" + pictures[i] + "\"\r\n";
    WriteFile(host.hkcu(), text);
}

}  // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    ScratchHost host;
    std::vector<std::string> pictures = o.photos;
    const std::string damaged = damagedCopy(o.photos.front(), host.dir().file("coupee.jpg"));
    pictures.insert(pictures.begin() + 1, damaged);
    writeHives(host, pictures);

    CycleCounter counter(o.sample, o.cycles, o.warmUp);
    platform::TBitmap target(o.width, o.height);
    QElapsedTimer timer;
    timer.start();
    QPointer<TShowSession> thread = new TShowSession(&target.Canvas(), false, 0, {}, {}, QSize(o.width, o.height));
    QObject::connect(thread, &TShowSession::CycleStarting, [&] {
        counter.cycle();
        if (counter.done && thread)
            thread->Stop();
    });
    while (!counter.done && thread)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    TShowSession::Shutdown(thread);
    const double seconds = timer.elapsed() / 1000.0;

    const Tally t = readLog(counter.logStart);
    int loads = 0;
    for (const auto& [file, n] : t.loaded)
        loads += n;
    const int damagedTurns = t.loaded.count(damaged) ? t.loaded.at(damaged) : 0;
    int fewest = o.cycles, fewestNumber = 0;
    for (int n = 1; n <= effects::kEffectCount; ++n) {
        const int plays = t.plays.count(n) ? t.plays.at(n) : 0;
        if (plays < fewest) {
            fewest = plays;
            fewestNumber = n;
        }
    }
    const auto growth = [](long from, long to) { return from > 0 ? 100.0 * (to - from) / from : 100.0; };
    const double heldGrowth = growth(counter.rssAtSample.held, counter.rssAtEnd.held);

    std::printf("cycles            %d counted after a warm-up of %d, %.1f s in all (%.1f ms each)\n", loads,
                counter.warmUpCycles, seconds, 1000.0 * seconds / (loads + counter.warmUpCycles));
    if (counter.warmUpCycles > 0)
        std::printf("after the warm-up %ld KiB held\n", counter.atWarmUp.held);
    std::printf("resident memory   %ld KiB after cycle %d, %ld KiB after cycle %d (%+.1f %%); as it stood "
                "before the trim %ld and %ld KiB (%+.1f %%)\n",
                counter.rssAtSample.held, o.sample, counter.rssAtEnd.held, o.cycles, heldGrowth,
                counter.rssAtSample.raw, counter.rssAtEnd.raw,
                growth(counter.rssAtSample.raw, counter.rssAtEnd.raw));
    std::printf("memory trend      ");
    for (size_t i = 0; i < counter.trend.size(); ++i)
        std::printf("%s%ld", i ? " " : "", counter.trend[i].held / 1024);
    std::printf(" MiB every %d cycles\n", o.sample);
    if (counter.rssAtEnd.liveHeap >= 0)
        std::printf("live heap         %ld KiB after cycle %d, %ld KiB after cycle %d\n", counter.rssAtSample.liveHeap,
                    o.sample, counter.rssAtEnd.liveHeap, o.cycles);
    std::printf("damaged file      came up %d times, skipped %d times (%s)\n", damagedTurns, t.unreadable,
                t.reason.c_str());
    std::printf("effects           every number 1..%d played at least %d times (fewest: number %d)\n",
                effects::kEffectCount, fewest, fewestNumber);

    bool ok = true;
    auto check = [&](bool good, const std::string& what) {
        if (!good) {
            std::printf("FAILED: %s\n", what.c_str());
            ok = false;
        }
    };
    check(counter.done, "the show ended before its cycles were done");
    check(loads == o.cycles, "expected " + std::to_string(o.cycles) + " pictures in the log");
    check(damagedTurns > 0 && t.unreadable == damagedTurns, "the damaged file was not skipped every time");
    check(fewest >= o.minPlays, "effect number " + std::to_string(fewestNumber) + " played fewer than " +
                                    std::to_string(o.minPlays) + " times");
    check(counter.rssAtSample.held > 0 && heldGrowth <= 10.0, "resident memory grew by more than 10 %");
    std::printf(ok ? "soak passed\n" : "soak FAILED\n");
    return ok ? 0 : 1;
}
