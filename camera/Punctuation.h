#pragma once

#include <cstdint>
#include <string>

// Where a reader pauses: a flight that cruises by itself (the screensaver, a recording with its
// drums) strikes a drum at these marks.
bool IsPunctuation(char16_t c);

// Whether the camera, moving on from character `from` to character `to` of `text`, has passed a
// punctuation mark: one of the characters after `from`, up to and including `to`. Never when it
// stood, went back or came round to the start again.
bool PassedPunctuation(const std::u16string& text, std::int32_t from, std::int32_t to);
