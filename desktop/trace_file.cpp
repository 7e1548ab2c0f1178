#include "trace_file.h"

#include "host/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace desktop {
namespace {
FILE* traceFile = nullptr;

void WriteLine(const std::string& line) {
    if (traceFile == nullptr) return;
    std::fputs(line.c_str(), traceFile);
    std::fputc('\n', traceFile);
    std::fflush(traceFile);
}
} // namespace

bool OpenTraceFile(const std::string& path, std::string* error) {
    CloseTraceFile();
    traceFile = std::fopen(path.c_str(), "w");
    if (traceFile == nullptr) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    platform::SetTraceSink(WriteLine);
    return true;
}

void CloseTraceFile() {
    platform::SetTraceSink(nullptr);
    if (traceFile != nullptr) std::fclose(traceFile);
    traceFile = nullptr;
}

} // namespace desktop
