#pragma once
// The slide show as a display mode of a Linux screen-saver host: drawn into the host's
// window (or the root window), with no grab and no stop on input, since the host decides
// when the show ends: by SIGTERM, or by destroying the window.

#include <memory>

class TSettings;

// Runs until then, with the settings read before; returns the exit code. window 0 means
// the root window.
int RunHostedShow(unsigned long window, std::shared_ptr<const TSettings> settings);
