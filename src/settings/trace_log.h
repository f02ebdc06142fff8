#pragma once
// The optional diagnostic log: one dated line per event, with the free-memory share.
// Callers test their own settings' Log flag; TraceLog writes unconditionally.

#include <string>

// Appends "date time | %NN,N | message" CR LF to lumivane.log at the root of drive C:.
// A log that cannot be opened loses the line silently.
void TraceLog(const std::string& message);

// The file the log goes to.
std::string TraceLogPath();

// The line TraceLog writes, without the CR LF (dates and numbers in the user's locale).
std::string TraceLogLine(const std::string& message);
