#include "base/DebugSink.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::function<void(std::string_view)>& Capture() {
    static std::function<void(std::string_view)> capture;
    return capture;
}

bool Enabled() {
    // Read once: the environment does not change under a running program, and a frame that fails
    // every 32 ms should not pay for getenv each time.
    static const bool enabled = [] {
        const char* value = std::getenv("SELVANE_DEBUG");
        return value != nullptr && value[0] != '\0';
    }();
    return enabled;
}
}  // namespace

void OutputDebugString(std::string_view text) {
    if (Capture()) {
        Capture()(text);
        return;
    }
    if (Enabled()) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
}

void SetDebugCaptureForTesting(std::function<void(std::string_view)> capture) {
    Capture() = std::move(capture);
}
