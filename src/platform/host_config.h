#pragma once
// Where the stand-ins for Windows facilities find their files. The program fills this
// in once at start-up; the platform layer itself assumes nothing about the program.

#include <string>

namespace platform {

struct HostConfig {
    std::string currentUserHive;   // file behind HKEY_CURRENT_USER
    std::string localMachineHive;  // file behind HKEY_LOCAL_MACHINE
    std::string localMachineStore; // per-user file for the machine values this user may not write there
    std::string driveC;            // folder that stands for drive C:, ending with '/'
    std::string systemDirectory;   // folder that stands for the Windows system folder, ending with '/'
    std::string lockDirectory;     // where named mutexes keep their lock files
    std::string messageBoxLog;     // when set, every message box appends a line here
    std::string messageBoxAnswer;  // when set ("yes", "no", "ok", "cancel"), boxes answer without showing
    std::string shellLog;          // when set, documents and links are recorded here instead of opened
    bool messageBoxesOnStderr = false;  // boxes are written to the error stream, never shown
};

HostConfig& host();

// Path of the running executable; empty when the system does not say.
std::string ExecutablePath();
// Folder of the running executable, ending with '/'.
std::string ExecutableDirectory();

// Value of an environment variable, empty when unset.
std::string EnvValue(const char* name);

}  // namespace platform
