#pragma once
// Values shared by the whole process: the mode the program was started in, the window it
// was given and the program-wide settings; a show's stop is its session's.

#include <cstdint>

class TSettings;

inline constexpr uint8_t kModePassword = 0;
inline constexpr uint8_t kModePreview = 1;
inline constexpr uint8_t kModeConfigure = 2;
inline constexpr uint8_t kModeRun = 3;

extern uint8_t SaverMode;          // default kModeConfigure
extern uint32_t ParentWindow;      // window number from the command line, 0 when none
extern TSettings* AppSettings;     // created by the entry in every mode but preview
extern bool NoRun;                 // the saver window decided at creation that nothing runs
// The show runs in a window of a screen-saver host, which holds the screen: no message box
// may appear, a settings error is reported and the show goes on with defaults.
extern bool HostedShow;

