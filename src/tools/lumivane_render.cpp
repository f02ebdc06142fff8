// lumivane-render: plays one effect between two pictures on an off-screen canvas and
// writes what a viewer would see, so effects can be looked at, measured and checked
// without a screen saver. Its options are usage() below.

#include "display/effect_choice.h"
#include "display/picture_preparation.h"
#include "effects/draw_transition.h"
#include "sprites/sprite_random.h"

#include "settings/colors.h"
#include "settings/settings.h"

#include "platform/gdi/bitmap.h"
#include "platform/random.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <atomic>
#include <chrono>
#include <stop_token>
#include <thread>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

using namespace platform;

namespace {

constexpr int kPreviewBox = 187;

std::string usage()
{
    return
        "usage: lumivane-render --effect N --from OLD --to NEW [option]...\n"
        "Plays effect N from picture OLD to picture NEW off screen and reports its steps.\n"
        "  --effect N              the effect number, 1 to " + std::to_string(effects::kEffectCount) + "\n"
        "  --from OLD              the picture on screen before (any picture the show reads)\n"
        "  --to NEW                the picture the effect brings in (the same formats)\n"
        "  --size WxH              the screen size (default 1920x1080)\n"
        "  --tile T                the effect size TailleEffet, 4 to 10 (default 4)\n"
        "  --speed R               the pause setting Rapidite (default 0: no pauses)\n"
        "  --preview               play it as the dialog's 187x187 preview box does\n"
        "  --background COLOUR     the background colour, a name (clNavy) or a number\n"
        "  --setting NAME=VALUE    any other setting by its registry name; may be repeated\n"
        "  --seed S                seed the random generator (default: from the clock)\n"
        "  --stop-after K          stop the effect after K steps\n"
        "  --frames DIR            write frames into DIR as frame-00000.png, ... (needs --every)\n"
        "  --every K               with --frames, write step 1 and every K-th step after it\n"
        "  --final FILE            write the last picture shown into FILE (PNG)\n"
        "  -h, --help              print this help and end\n";
}

struct Options {
    int effect = -1;
    std::string from, to, framesDir, finalFile;
    int width = 1920, height = 1080;
    bool preview = false;
    bool seeded = false;
    uint32_t seed = 0;
    int stopAfter = 0;
    int every = 0;
};

[[noreturn]] void fail(const std::string& message)
{
    std::cerr << "lumivane-render: " << message << '\n';
    std::exit(2);
}

int toInt(const std::string& text, const char* what)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < INT32_MIN || v > INT32_MAX)
        fail(std::string("bad ") + what + ": " + text);
    return static_cast<int>(v);
}

PreparedPicture prepare(const std::string& path, const PreparationInput& in)
{
    return PrepareLoaded(LoadPicture(path, FitSize(in), false), in);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc < 2) {
        std::cerr << usage();
        return 2;
    }
    Options o;
    TSettings settings{TSettings::DefaultsOnly{}};
    settings.Rapidite = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                fail("missing value after " + arg);
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << usage();
            return 0;
        } else if (arg == "--effect") o.effect = toInt(value(), "effect number");
        else if (arg == "--from") o.from = value();
        else if (arg == "--to") o.to = value();
        else if (arg == "--size") {
            const std::string v = value();
            if (std::sscanf(v.c_str(), "%dx%d", &o.width, &o.height) != 2 || o.width <= 0 || o.height <= 0 ||
                o.width > 16384 || o.height > 16384)
                fail("bad size: " + v);
        } else if (arg == "--tile") settings.TailleEffet = toInt(value(), "tile size");
        else if (arg == "--speed") settings.Rapidite = toInt(value(), "speed");
        else if (arg == "--preview") o.preview = true;
        else if (arg == "--background") {
            settings.BackGroundColor = value();
            if (!colors::StringToColor(settings.BackGroundColor))
                fail("unknown colour: " + settings.BackGroundColor);
        } else if (arg == "--setting") {
            const std::string v = value();
            const auto eq = v.find('=');
            if (eq == std::string::npos || !settings.SetByValueName(v.substr(0, eq), v.substr(eq + 1)))
                fail("bad setting: " + v);
        } else if (arg == "--seed") {
            o.seeded = true;
            o.seed = static_cast<uint32_t>(toInt(value(), "seed"));
        } else if (arg == "--stop-after") o.stopAfter = toInt(value(), "step count");
        else if (arg == "--frames") o.framesDir = value();
        else if (arg == "--every") o.every = toInt(value(), "frame interval");
        else if (arg == "--final") o.finalFile = value();
        else fail("unknown argument: " + arg);
    }
    if (o.effect < 1 || o.effect > effects::kEffectCount)
        fail("unknown effect: " + std::to_string(o.effect) + " (1 to " + std::to_string(effects::kEffectCount) + ")");
    if (o.from.empty() || o.to.empty())
        fail("both --from and --to are needed");
    if (!o.framesDir.empty() && o.every <= 0)
        fail("--frames needs --every K with K at least 1");
    if (!o.framesDir.empty() && !QDir().mkpath(QString::fromStdString(o.framesDir)))
        fail("cannot create " + o.framesDir);
    if (o.seeded)
        RandSeed = o.seed;
    else
        Randomize();
    sprites::FillRandomTable();
    // The render's own generator: given a seed, the picture's place and the effect's draws
    // repeat from one render to the next.
    uint32_t state = RandSeed;
    const RandomSource random(state, o.seeded);

    const QSize screen(o.width, o.height);
    TBitmap canvas(o.width, o.height);
    const TColor back = settings.BackColor();
    ClearScreen(canvas.Canvas(), back, screen);

    PreparationInput in;
    in.TakeSettings(settings);
    in.backColor = back;
    in.screen = screen;
    in.target = &canvas.Canvas();
    in.random = random;
    effects::EffectInputs inputs;
    try {
        // The picture the previous cycle left on screen.
        const PreparedPicture old = prepare(o.from, in);
        canvas.Canvas().Draw(old.X, old.Y, old.bitmap);

        if (o.preview) {
            in.previewMode = true;
            in.backColor = clBtnFace;
            in.boxWidth = in.boxHeight = kPreviewBox;
        }
        PreparedPicture next = prepare(o.to, in);
        if (!o.preview && !settings.Transition)
            ClearScreen(canvas.Canvas(), back, screen);

        inputs.number = o.effect;
        inputs.X = next.X;
        inputs.Y = next.Y;
        inputs.picture = &next.bitmap;
        inputs.target = &canvas.Canvas();
        inputs.backColor = in.backColor;
        TakeEffectSettings(inputs, settings, o.preview);
        inputs.random = random;
        std::stop_source stop;
        inputs.stop = stop.get_token();
        int frames = 0;
        inputs.onStep = [&](int step) {
            if (!o.framesDir.empty() && (step - 1) % o.every == 0) {
                char name[32];
                std::snprintf(name, sizeof name, "/frame-%05d.png", frames++);
                canvas.SaveToFile(o.framesDir + name);
            }
            if (o.stopAfter > 0 && step >= o.stopAfter)
                stop.request_stop();
        };
        const auto start = std::chrono::steady_clock::now();
        // At the show's pace: each pause as long as it is on screen.
        effects::Transition transition(inputs, effects::Pace::RealTime);
        while (const auto next = transition.Resume())
            std::this_thread::sleep_until(*next);
        const int steps = transition.Steps();
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        std::printf("effect %d: %d steps, %lld ms\n", o.effect, steps, static_cast<long long>(ms));
        if (!o.finalFile.empty())
            canvas.SaveToFile(o.finalFile);
    } catch (const std::exception& e) {
        fail(e.what());
    }
    return 0;
}
