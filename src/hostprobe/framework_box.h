#pragma once
// Boxes through the window framework, on displays where it can draw.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace hostprobe {

class FrameworkBoxes {
public:
    explicit FrameworkBoxes(const char* programName);
    ~FrameworkBoxes();

    // Lines of the primary monitor, which the root window's height is not when several
    // monitors share one X screen; nothing when the framework does not run on X.
    std::optional<int> PrimaryScreenLines();

    // An OK box; hostprobe asks for no other buttons.
    int Show(const std::string& text, const std::string& caption, uint32_t flags);

private:
    QApplication& app();

    int argc_ = 1;
    char* argv_[2];
    std::string programName_;
    std::unique_ptr<QApplication> app_;
};

}  // namespace hostprobe
