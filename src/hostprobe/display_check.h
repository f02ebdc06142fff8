#pragma once
// The display check: too few colours or a 640 x 480 screen make photographs look poor.

#include "message_box.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hostprobe {

// What the primary display reports: bits per pixel, colour planes, lines.
struct DisplayCaps {
    int bitsPerPixel = 0;
    int planes = 1;
    int vertRes = 0;
};

// 16000000 from 24 bits up, otherwise 2 to the power bits x planes. Counted in 64 bits
// and capped, so that an odd planes value cannot wrap round to a tiny count.
uint64_t ColourCount(int bitsPerPixel, int planes);

// The one display warning due, if any; a colour warning excludes the resolution warning.
std::optional<std::string> DisplayWarningText(const DisplayCaps& caps);

inline constexpr uint32_t kDisplayWarningFlags = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;

void CheckDisplay(const DisplayCaps& caps, const ShowMessage& show);

}  // namespace hostprobe
