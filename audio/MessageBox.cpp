#include "audio/MessageBox.h"

#include <cstdio>

namespace audio {

namespace {
std::function<void(std::string_view)>& Handler() {
    static std::function<void(std::string_view)> handler;
    return handler;
}
}  // namespace

void ShowMessageBox(std::string_view text) {
    if (Handler()) {
        Handler()(text);
        return;
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void SetMessageBoxHandler(std::function<void(std::string_view)> handler) {
    Handler() = std::move(handler);
}

}  // namespace audio
