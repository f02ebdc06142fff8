#pragma once
// How the screen-saver command line chooses the mode and the window number.

#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <vector>

struct CommandLine {
    uint8_t mode = 2;           // kModeConfigure
    uint32_t parentWindow = 0;  // 0 when there is none or it is not a number
    // Run as a display mode of a Linux screen-saver host (-root, -window-id ID, or the
    // host's window in XSCREENSAVER_WINDOW): the show inside that window, 0 for the root.
    bool hosted = false;
    unsigned long hostWindow = 0;
    std::string error;  // a hosted command line that names no usable window, or a bad option
    bool help = false;  // --help or -help: the usage, and nothing else
    // --watch: the idle watcher of the session; --delay S sets its delay for this run.
    bool watch = false;
    int watchDelaySeconds = 0;  // 0: the setting's
    // Options of the hosted modes that a host's settings pane passes (-interval 10,
    // -random...): registry value name and value, for this run only.
    std::vector<std::pair<std::string, std::string>> overrides;
};

// What --help prints.
const std::string& Usage();

// args: the arguments after the program name; hostVariable: XSCREENSAVER_WINDOW's value.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& hostVariable = {});

// An X window number, decimal or 0x hexadecimal, above 0 and within 32 bits.
std::optional<unsigned long> ParseWindowId(const std::string& text);

// StrToInt as the command line needs it: decimal (or 0x hex, as X window ids are often
// written), within a signed 32-bit integer; nullopt for anything else.
std::optional<int32_t> StrToInt(const std::string& text);

// Run mode opens the configuration dialog until the first validation on this machine.
uint8_t EffectiveMode(uint8_t mode, bool configValidated);
