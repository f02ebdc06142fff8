// hostprobe: warns about an outdated Windows version and a display too poor for
// photographs, then ends. No arguments, no files, message boxes only.

#include "display_check.h"
#include "framework_box.h"
#include "message_box.h"
#include "version_check.h"
#include "x_display.h"
#include "xlib_box.h"

#include <cstdio>

using namespace hostprobe;

namespace {

// Where a box has no window to appear in, its text still has to reach somebody.
int tellOnStderr(const std::string& text, const std::string& caption)
{
    std::string body;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        body += text[i] == '\r' ? '\n' : text[i];
    }
    std::fprintf(stderr, "%s : %s\n", caption.c_str(), body.c_str());
    std::fflush(stderr);
    return IDOK;
}

class HostPresenter final : public MessageBoxPresenter {
public:
    HostPresenter(BoxChannel channel, XDisplay& x, FrameworkBoxes& framework)
        : channel_(channel), x_(x), framework_(framework)
    {
    }

    int Present(const std::string& text, const std::string& caption, uint32_t flags) override
    {
        switch (channel_) {
        case BoxChannel::Framework: return framework_.Show(text, caption, flags);
        case BoxChannel::Xlib: {
            const int answer = ShowXlibBox(x_.handle(), text, caption, flags);
            if (answer >= 0)
                return answer;
            return tellOnStderr(text, caption);
        }
        case BoxChannel::Stderr: break;
        }
        return tellOnStderr(text, caption);
    }

private:
    BoxChannel channel_;
    XDisplay& x_;
    FrameworkBoxes& framework_;
};

}  // namespace

int main(int, char** argv)
{
    const MessageBoxAutomation automation = MessageBoxAutomation::FromEnvironment();
    XDisplay x;
    FrameworkBoxes framework(argv[0]);
    const BoxChannel channel = ChooseBoxChannel(x.isOpen(), x.trueColor(), x.depth());
    HostPresenter presenter(channel, x, framework);
    const ShowMessage show = [&](const std::string& text, const std::string& caption, uint32_t flags) {
        return MessageBoxA(automation, presenter, text, caption, flags);
    };

    CheckWindowsVersion(show);

    if (!x.isOpen()) {
        // Nothing was checked: saying nothing and ending well would pass for a good display.
        std::fprintf(stderr, "hostprobe : impossible d'ouvrir l'affichage « %s » ; l'écran n'a pas été vérifié.\n",
                     x.name().c_str());
        return 1;
    }
    // The depth is what counts colours: the pixel format's padding (32 bits for depth 24)
    // holds none, and X knows a single plane.
    DisplayCaps caps{x.depth(), 1, x.height()};
    if (channel == BoxChannel::Framework)
        if (const auto lines = framework.PrimaryScreenLines())
            caps.vertRes = *lines;
    CheckDisplay(caps, show);
    return 0;
}
