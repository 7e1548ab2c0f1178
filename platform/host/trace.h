// Trace events: one JSON object per line for every effect of the program on
// the outside world. The platform builds the events; a front end decides
// where the lines go (see desktop/trace.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using TraceSink = void (*)(const std::string& line);
void SetTraceSink(TraceSink sink);
bool TraceEnabled();

// Builds one event and sends it when it goes out of scope:
//   TraceEvent("reg.set").Str("key", path).Int("type", 3).Hex("data", p, n);
class TraceEvent {
  public:
    explicit TraceEvent(const char* ev);
    ~TraceEvent();
    TraceEvent(const TraceEvent&) = delete;
    TraceEvent& operator=(const TraceEvent&) = delete;

    TraceEvent& Str(const char* key, std::string_view value);
    TraceEvent& Int(const char* key, long long value);
    TraceEvent& Bool(const char* key, bool value);
    TraceEvent& Hex(const char* key, const void* data, size_t size);
    TraceEvent& Null(const char* key);
    // A value that is already JSON text (an array, say).
    TraceEvent& Json(const char* key, std::string_view json);

  private:
    void Key(const char* key);
    bool enabled_;
    std::string line_;
};

// JSON string literal of `text`, quotes included. Bytes that are not valid
// UTF-8 are written as \u00XX so the line stays valid JSON.
std::string JsonQuote(std::string_view text);

} // namespace platform
