#pragma once
// lumivane --watch: a small part of the user's session that starts the show when the user
// has left the machine alone for the delay, and watches again once it ends.

#include <string>

namespace watch {

// The lock that keeps one watcher per session: a file of this user's in $XDG_RUNTIME_DIR
// (else /tmp, named by the user) held with flock for the process's life. False when
// another watcher has it, with its process number in `holder` when it can be read, or
// when the file cannot serve, with why in `error`.
bool HoldSessionLock(std::string& holder, std::string& path, std::string& error);

// Runs the watcher until SIGTERM or SIGINT; delaySeconds > 0 replaces the setting for this
// run. `program` is the saver to start, as `program /s`. Gives the exit status.
int RunWatcher(int argc, char** argv, int delaySeconds, const std::string& program);

}  // namespace watch
