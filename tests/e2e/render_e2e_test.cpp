// lumivane-render, run for real: how it refuses bad input, the line it reports, and the
// pictures it writes.

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <string>
#include <vector>

using testing_support::TempDir;

namespace {

struct Output {
    int exitCode = -1;
    std::string out, err;
};

class Render : public ::testing::Test {
protected:
    Output run(const std::vector<std::string>& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // Else Qt itself warns on standard error about the runtime folder.
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
        p.setProcessEnvironment(env);
        QStringList list;
        for (const auto& a : args)
            list << QString::fromStdString(a);
        p.start(LUMIVANE_RENDER_EXE, list);
        EXPECT_TRUE(p.waitForFinished(60000)) << "lumivane-render did not end";
        Output o;
        o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        o.out = p.readAllStandardOutput().toStdString();
        o.err = p.readAllStandardError().toStdString();
        return o;
    }

    // Two samples of different content; the program takes them as the slide show does.
    std::vector<std::string> pictures(int effect, const std::string& size = "320x200")
    {
        return {"--effect", std::to_string(effect), "--from", kSamples + "/dunes.jpg", "--to",
                kSamples + "/lavande.jpg", "--size", size, "--seed", "7"};
    }

    static std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& more)
    {
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }

    // The step count of a successful run, from its one line on standard output.
    static int steps(const Output& o, int effect)
    {
        static const QRegularExpression line("^effect (\\d+): (\\d+) steps, (\\d+) ms\\n$");
        const auto m = line.match(QString::fromStdString(o.out));
        EXPECT_EQ(o.exitCode, 0) << o.err;
        EXPECT_TRUE(o.err.empty()) << o.err;
        EXPECT_TRUE(m.hasMatch()) << "stdout: " << o.out;
        if (!m.hasMatch())
            return -1;
        EXPECT_EQ(m.captured(1).toInt(), effect);
        return m.captured(2).toInt();
    }

    static QImage png(const std::string& path)
    {
        QImage image;
        EXPECT_TRUE(image.load(QString::fromStdString(path), "PNG")) << path << " is not a PNG";
        return image.convertToFormat(QImage::Format_RGB32);
    }

    const std::string kSamples = LUMIVANE_SAMPLES_DIR;
    TempDir runtime, dir;
};

}  // namespace

TEST_F(Render, RefusesBadInputWithExitCodeTwoAndOneLine)
{
    testing_support::WriteFile(dir.file("broken.jpg"), "\xFF\xD8\xFF\xE0 not really a JPEG");
    const std::string good = kSamples + "/dunes.jpg";
    const std::vector<std::vector<std::string>> cases = {
        {"--effect", "0", "--from", good, "--to", good},
        {"--effect", "229", "--from", good, "--to", good},
        {"--effect", "seven", "--from", good, "--to", good},
        {"--effect", "3", "--from", dir.file("missing.jpg"), "--to", good},
        {"--effect", "3", "--from", good, "--to", dir.file("broken.jpg")},
        {"--effect", "3", "--from", good, "--to", dir.file("missing.png")},
        {"--effect", "3", "--from", good, "--to", good, "--size", "0x200"},
        {"--effect", "3", "--from", good, "--to", good, "--size", "320"},
        {"--effect", "3", "--from", good, "--to", good, "--size", "-320x200"},
        {"--effect", "3", "--from", good, "--to", good, "--size", "20000x200"},
        {"--effect", "3", "--from", good, "--to", good, "--wobble"},
        {"--effect", "3", "--from", good, "--to", good, "--frames", dir.file("frames")},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        const Output o = run(args);
        EXPECT_EQ(o.exitCode, 2) << shown;
        EXPECT_TRUE(o.out.empty()) << shown << "stdout: " << o.out;
        ASSERT_FALSE(o.err.empty()) << shown;
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << shown << "stderr: " << o.err;
        EXPECT_EQ(o.err.rfind("lumivane-render: ", 0), 0u) << shown << "stderr: " << o.err;
    }
}

TEST_F(Render, HelpListsEveryOptionAndNoArgumentsIsAnError)
{
    const Output help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.err.empty()) << help.err;
    EXPECT_EQ(help.out.rfind("usage: lumivane-render ", 0), 0u) << help.out;
    // Each option on a line of its own, every one the program takes.
    for (const char* option : {"--effect N", "--from", "--to", "--size", "--tile", "--speed", "--preview", "--background",
                               "--setting", "--seed", "--stop-after", "--frames", "--every", "--final", "-h, --help"}) {
        const std::string line = "\n  " + std::string(option) + " ";
        EXPECT_EQ(help.out.find(line), help.out.rfind(line)) << option;
        EXPECT_NE(help.out.find(line), std::string::npos) << option << " is not described";
    }
    EXPECT_EQ(run({"-h"}).out, help.out);
    // Help wins over whatever else is given.
    EXPECT_EQ(run({"--effect", "3", "-h"}).exitCode, 0);

    const Output none = run({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.out.empty()) << none.out;
    EXPECT_EQ(none.err, help.out);
}

TEST_F(Render, FinalPictureIsTheNewOneWhicheverEffectLedThere)
{
    // The new picture as the screen shows it: prepared as the old one, nothing drawn over it.
    const std::string reference = dir.file("reference.png");
    const Output still = run({"--effect", "3", "--from", kSamples + "/lavande.jpg", "--to", kSamples + "/lavande.jpg",
                              "--size", "320x200", "--stop-after", "1", "--final", reference});
    ASSERT_EQ(steps(still, 3), 1);
    const QImage expected = png(reference);
    ASSERT_EQ(expected.size(), QSize(320, 200));
    for (int effect : {3, 16, 25, 33}) {
        const std::string file = dir.file("final-" + std::to_string(effect) + ".png");
        EXPECT_GT(steps(run(with(pictures(effect), {"--final", file})), effect), 0);
        EXPECT_TRUE(png(file) == expected) << "effect " << effect << " does not end on the new picture";
    }
    // Another screen size gives a picture of that size.
    const std::string wide = dir.file("wide.png");
    steps(run(with(pictures(3, "640x120"), {"--final", wide})), 3);
    EXPECT_EQ(png(wide).size(), QSize(640, 120));
}

TEST_F(Render, FramesAreWrittenEveryKSteps)
{
    const std::string frames = dir.file("frames");
    const int total = steps(run(with(pictures(3), {"--frames", frames, "--every", "10"})), 3);
    ASSERT_GT(total, 10);
    const int expected = (total - 1) / 10 + 1;
    const QStringList names = QDir(QString::fromStdString(frames)).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), expected) << total << " steps";
    for (int i = 0; i < expected; ++i) {
        EXPECT_EQ(names[i], QString::asprintf("frame-%05d.png", i));
        EXPECT_EQ(png(frames + "/" + names[i].toStdString()).size(), QSize(320, 200));
    }
    // The picture changes as the effect goes.
    EXPECT_FALSE(png(frames + "/" + names.first().toStdString()) == png(frames + "/" + names.last().toStdString()));
}

TEST_F(Render, AGivenSeedRepeatsThePlaceAndTheDrawsWithCentreOff)
{
    // The picture fits the screen with room to spare, so Centre off places it at random;
    // stopped midway, the tiles drawn so far are the effect's own random choice.
    auto render = [&](const std::string& seed, const std::string& file) {
        std::vector<std::string> args = pictures(25, "2400x1600");
        args.back() = seed;
        return steps(run(with(args, {"--setting", "Centre=0", "--stop-after", "300", "--final", file})), 25);
    };
    const std::string first = dir.file("first.png"), again = dir.file("again.png"), other = dir.file("other.png");
    ASSERT_EQ(render("7", first), 300);
    ASSERT_EQ(render("7", again), 300);
    ASSERT_EQ(render("8", other), 300);
    EXPECT_TRUE(png(first) == png(again));
    EXPECT_FALSE(png(first) == png(other));
}

TEST_F(Render, StopAfterEndsTheEffectEarly)
{
    const std::string whole = dir.file("whole.png"), part = dir.file("part.png");
    const int total = steps(run(with(pictures(25), {"--final", whole})), 25);
    ASSERT_GT(total, 5);
    EXPECT_EQ(steps(run(with(pictures(25), {"--stop-after", "5", "--final", part})), 25), 5);
    // Stopped, it neither finishes the effect nor makes the closing copy.
    EXPECT_FALSE(png(part) == png(whole));
}
