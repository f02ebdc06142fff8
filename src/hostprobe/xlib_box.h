#pragma once
// A box drawn with plain Xlib, for displays whose visual the window framework cannot
// draw on (fewer than 15 bits, palette visuals): precisely the displays that get the
// colour warning. OK button, error icon or none, as hostprobe needs.

#include <cstdint>
#include <string>

struct _XDisplay;

namespace hostprobe {

// Returns IDOK once the user has closed the box, or -1 when it could not be made
// (no usable font); the caller then tells the user another way.
int ShowXlibBox(_XDisplay* display, const std::string& text, const std::string& caption, uint32_t flags);

}  // namespace hostprobe
