#pragma once
// lumivane --watch: a small part of the user's session that starts the show when the user
// has left the machine alone for the delay, and watches again once it ends.

#include <string>

namespace watch {

// Runs the watcher until SIGTERM or SIGINT, one per session (a named mutex of this
// user's); delaySeconds > 0 replaces the setting for this run. `program` is the saver to
// start, as `program /s`. Gives the exit status.
int RunWatcher(int argc, char** argv, int delaySeconds, const std::string& program);

}  // namespace watch
