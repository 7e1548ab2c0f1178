// The trace front end: writes the platform's trace events to a file, one
// JSON object a line, each line flushed as it is written so that a run that
// ends abruptly still leaves whole lines.
#pragma once

#include <string>

namespace desktop {

// Opens (truncates) the trace file and routes the events to it. Returns
// false with a message when the file cannot be opened.
bool OpenTraceFile(const std::string& path, std::string* error);
void CloseTraceFile();

} // namespace desktop
