// System colours: the application's palette when a GUI application runs (so the
// dialog's button face matches the real buttons), else the classic Windows values.

#include "platform/gdi/types.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>

#include <array>
#include <optional>

namespace platform {

namespace {

constexpr std::array<TColor, 31> kWindowsDefaults = {
    RGB(200, 200, 200),  // scroll bar
    RGB(0, 0, 0),        // desktop
    RGB(153, 180, 209),  // active caption
    RGB(191, 205, 219),  // inactive caption
    RGB(240, 240, 240),  // menu
    RGB(255, 255, 255),  // window
    RGB(100, 100, 100),  // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(0, 0, 0),        // caption text
    RGB(180, 180, 180),  // active border
    RGB(244, 247, 252),  // inactive border
    RGB(171, 171, 171),  // application workspace
    RGB(51, 153, 255),   // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(240, 240, 240),  // button face
    RGB(160, 160, 160),  // button shadow
    RGB(109, 109, 109),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(67, 78, 84),     // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(105, 105, 105),  // 3D dark shadow
    RGB(227, 227, 227),  // 3D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
    RGB(0, 0, 0),        // (unused index)
    RGB(0, 102, 204),    // hot-tracked item
    RGB(185, 209, 234),  // active caption gradient
    RGB(215, 228, 242),  // inactive caption gradient
    RGB(51, 153, 255),   // menu highlight
    RGB(240, 240, 240),  // menu bar
};

std::optional<QColor> fromPalette(unsigned index)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return std::nullopt;
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 4:   // menu
    case 15:  // button face
    case 30:  // menu bar
        return pal.color(QPalette::Active, QPalette::Button);
    case 5: return pal.color(QPalette::Active, QPalette::Base);
    case 7: return pal.color(QPalette::Active, QPalette::WindowText);
    case 8: return pal.color(QPalette::Active, QPalette::Text);
    case 12: return pal.color(QPalette::Active, QPalette::Window);
    case 13:
    case 29: return pal.color(QPalette::Active, QPalette::Highlight);
    case 14: return pal.color(QPalette::Active, QPalette::HighlightedText);
    case 16: return pal.color(QPalette::Active, QPalette::Mid);
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: return pal.color(QPalette::Active, QPalette::ButtonText);
    case 20: return pal.color(QPalette::Active, QPalette::Light);
    case 21: return pal.color(QPalette::Active, QPalette::Shadow);
    case 22: return pal.color(QPalette::Active, QPalette::Midlight);
    case 23: return pal.color(QPalette::Active, QPalette::ToolTipText);
    case 24: return pal.color(QPalette::Active, QPalette::ToolTipBase);
    case 26: return pal.color(QPalette::Active, QPalette::Link);
    default: return std::nullopt;
    }
}

}  // namespace

TColor ColorToRGB(TColor color)
{
    if (color == clNone)
        return clNone;
    if ((color & 0xFF000000) == clSystemColor) {
        const unsigned index = color & 0xFF;
        if (auto c = fromPalette(index))
            return RGB(c->red(), c->green(), c->blue());
        return index < kWindowsDefaults.size() ? kWindowsDefaults[index] : clBlack;
    }
    return color & 0x00FFFFFF;
}

}  // namespace platform
