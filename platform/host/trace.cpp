#include "trace.h"

#include "clock.h"

#include <cstdio>

namespace platform {
namespace {
TraceSink sink = nullptr;

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not one.
size_t Utf8Length(std::string_view s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    if (n == 2 && c < 0xC2) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}
} // namespace

void SetTraceSink(TraceSink s) { sink = s; }
bool TraceEnabled() { return sink != nullptr; }

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char buf[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c >= 0x80) {
            size_t n = Utf8Length(text, i);
            if (n == 0) {
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.append(text.substr(i, n));
                i += n;
                continue;
            }
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
    return out;
}

TraceEvent::TraceEvent(const char* ev) : enabled_(sink != nullptr) {
    if (!enabled_) return;
    line_ = "{\"t\": " + std::to_string(ClockNow()) + ", \"ev\": " + JsonQuote(ev);
}

TraceEvent::~TraceEvent() {
    if (!enabled_ || sink == nullptr) return;
    line_ += "}";
    sink(line_);
}

void TraceEvent::Key(const char* key) {
    line_ += ", ";
    line_ += JsonQuote(key);
    line_ += ": ";
}

TraceEvent& TraceEvent::Str(const char* key, std::string_view value) {
    if (enabled_) {
        Key(key);
        line_ += JsonQuote(value);
    }
    return *this;
}

TraceEvent& TraceEvent::Int(const char* key, long long value) {
    if (enabled_) {
        Key(key);
        line_ += std::to_string(value);
    }
    return *this;
}

TraceEvent& TraceEvent::Bool(const char* key, bool value) {
    if (enabled_) {
        Key(key);
        line_ += value ? "true" : "false";
    }
    return *this;
}

TraceEvent& TraceEvent::Hex(const char* key, const void* data, size_t size) {
    if (enabled_) {
        static const char digits[] = "0123456789abcdef";
        Key(key);
        line_ += '"';
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; p != nullptr && i < size; ++i) {
            line_ += digits[p[i] >> 4];
            line_ += digits[p[i] & 15];
        }
        line_ += '"';
    }
    return *this;
}

TraceEvent& TraceEvent::Null(const char* key) {
    if (enabled_) {
        Key(key);
        line_ += "null";
    }
    return *this;
}

TraceEvent& TraceEvent::Json(const char* key, std::string_view json) {
    if (enabled_) {
        Key(key);
        line_ += json;
    }
    return *this;
}

} // namespace platform
