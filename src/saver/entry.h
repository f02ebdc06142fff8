#pragma once

// The whole program: reads the command line, decides the mode, creates the program-wide
// settings and the one window the mode needs, and runs the message loop.
int LumivaneMain(int argc, char** argv);
