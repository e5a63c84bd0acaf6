#pragma once

#include <functional>
#include <string_view>

// Diagnostics for developers, never shown to the user: written to standard error when the
// environment variable SELVANE_DEBUG is set to a non-empty value, otherwise discarded. Text is
// UTF-8 and written exactly as given (callers supply their own line breaks).
void OutputDebugString(std::string_view text);

// Tests capture the sink; an empty function restores the normal behaviour.
void SetDebugCaptureForTesting(std::function<void(std::string_view)> capture);
