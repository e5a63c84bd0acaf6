#pragma once

// Message boxes of the drum player. The shell installs a handler that shows a modal box with
// the application's name as caption; without one the text goes to standard error, so that it
// is never lost.

#include <functional>
#include <string_view>

namespace audio {

void ShowMessageBox(std::string_view text);

// An empty function restores the standard-error fallback.
void SetMessageBoxHandler(std::function<void(std::string_view)> handler);

}  // namespace audio
