#include "message_box.h"
#include "text_lines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace hostprobe;

namespace {

class FakePresenter final : public MessageBoxPresenter {
public:
    int answer = IDOK;
    int calls = 0;
    int Present(const std::string&, const std::string&, uint32_t) override
    {
        ++calls;
        return answer;
    }
};

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(MessageBoxLog, NamesIconAndButtonsAndFlattensEveryKindOfLineBreak)
{
    EXPECT_EQ(MessageBoxLogLine("a\r\nb\nc\rd", "Avertissement", MB_OK | MB_ICONERROR | MB_SETFOREGROUND),
              "Avertissement | error | ok | a\\nb\\nc\\nd");
    EXPECT_EQ(MessageBoxLogLine("a\r\n\r\nb\n\rc\r\r\n", "T", MB_OK), "T | none | ok | a\\n\\nb\\n\\nc\\n\\n");
    EXPECT_EQ(MessageBoxLogLine("x", "T", MB_YESNO | MB_ICONQUESTION), "T | question | yes,no | x");
    EXPECT_EQ(MessageBoxLogLine("x", "T", MB_OKCANCEL | MB_ICONWARNING), "T | warning | ok,cancel | x");
    EXPECT_EQ(MessageBoxLogLine("x", "T", MB_YESNOCANCEL | MB_ICONINFORMATION), "T | information | yes,no,cancel | x");
}

TEST(MessageBoxAnswer, RequestedButtonWhenTheBoxHasItOtherwiseTheFirst)
{
    EXPECT_EQ(AutomatedAnswer("ok", MB_OK), IDOK);
    EXPECT_EQ(AutomatedAnswer("yes", MB_OK), IDOK);
    EXPECT_EQ(AutomatedAnswer("cancel", MB_OK), IDOK);
    EXPECT_EQ(AutomatedAnswer("cancel", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(AutomatedAnswer("no", MB_YESNO), IDNO);
    EXPECT_EQ(AutomatedAnswer("ok", MB_YESNO), IDYES);
    EXPECT_EQ(AutomatedAnswer("cancel", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(AutomatedAnswer("peut-être", MB_YESNOCANCEL), IDYES);
}

TEST(MessageBoxAutomation, LogsEveryBoxAndAnswersWithoutShowing)
{
    const auto log = std::filesystem::path(testing::TempDir()) / "hostprobe_boxes.log";
    std::filesystem::remove(log);
    FakePresenter presenter;
    presenter.answer = IDCANCEL;

    const MessageBoxAutomation logged{log.string(), "ok"};
    EXPECT_EQ(MessageBoxA(logged, presenter, "une\r\ndeux", "Avertissement", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxA(logged, presenter, "trois", "Avertissement", MB_OK), IDOK);
    EXPECT_EQ(presenter.calls, 0);
    EXPECT_EQ(readFile(log), "Avertissement | error | ok | une\\ndeux\nAvertissement | none | ok | trois\n");

    // Logged only: the box is still put in front of the user, whose answer counts.
    EXPECT_EQ(MessageBoxA({log.string(), ""}, presenter, "quatre", "C", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(presenter.calls, 1);
    EXPECT_NE(readFile(log).find("C | none | ok,cancel | quatre\n"), std::string::npos);

    std::filesystem::remove(log);
    EXPECT_EQ(MessageBoxA({}, presenter, "cinq", "C", MB_OK), IDCANCEL);
    EXPECT_EQ(presenter.calls, 2);
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST(MessageBoxAutomation, ALogThatCannotBeWrittenIsReportedAndTheBoxStillAnswered)
{
    // A folder cannot be opened for writing: the line is lost, which the user is told.
    const std::string folder = testing::TempDir();
    FakePresenter presenter;
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA({folder, "no"}, presenter, "x", "T", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA({folder, ""}, presenter, "y", "T", MB_OK), IDOK);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(presenter.calls, 1);
    const std::string line = "hostprobe: " + folder + ": " + std::strerror(EISDIR) + "\n";
    EXPECT_EQ(told, line + line);
}

TEST(BoxChannel, FrameworkOnlyWhereItCanDraw)
{
    EXPECT_EQ(ChooseBoxChannel(true, true, 24), BoxChannel::Framework);
    EXPECT_EQ(ChooseBoxChannel(true, true, 16), BoxChannel::Framework);
    EXPECT_EQ(ChooseBoxChannel(true, true, 15), BoxChannel::Framework);
    EXPECT_EQ(ChooseBoxChannel(true, true, 8), BoxChannel::Xlib);
    EXPECT_EQ(ChooseBoxChannel(true, false, 8), BoxChannel::Xlib);    // palette
    EXPECT_EQ(ChooseBoxChannel(true, false, 24), BoxChannel::Xlib);   // DirectColor: Qt paints it black
    EXPECT_EQ(ChooseBoxChannel(false, false, 0), BoxChannel::Stderr);
}

TEST(XlibBoxText, LinesSplitAtEveryBreak)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\n"), (V{"a", ""}));
    EXPECT_EQ(SplitLines(""), (V{""}));
}

TEST(XlibBoxText, FrenchTextReachesTheCoreFontsInLatin1)
{
    EXPECT_EQ(Utf8ToLatin1("résolution écran à jour"), "r\xE9solution \xE9\x63ran \xE0 jour");
    EXPECT_EQ(Utf8ToLatin1("Ça coûte 5 €"), "\xC7\x61 co\xFBte 5 ?");
    // Broken input: one '?' per bad lead byte, and what follows is read afresh.
    EXPECT_EQ(Utf8ToLatin1("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToLatin1("\xC3" "b"), "?b");
    EXPECT_EQ(Utf8ToLatin1("\xFF\x80z"), "??z");
    // Overlong forms are not letters in disguise.
    EXPECT_EQ(Utf8ToLatin1("\xC1\xA9"), "?");
    EXPECT_EQ(Utf8ToLatin1("\xE0\x83\xA9"), "?");
}
