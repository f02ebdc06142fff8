#pragma once
// What the command line gave the whole process: the window to draw the preview in, and
// whether the saver window decided at creation that nothing runs. The mode the program
// runs in is its windows' (TMainForm::SaverMode), the settings are their owners', a
// show's stop is its session's.

#include <cstdint>

inline constexpr uint8_t kModePassword = 0;
inline constexpr uint8_t kModePreview = 1;
inline constexpr uint8_t kModeConfigure = 2;
inline constexpr uint8_t kModeRun = 3;

extern uint32_t ParentWindow;      // window number from the command line, 0 when none
extern bool NoRun;                 // the saver window decided at creation that nothing runs
