#pragma once

#include <optional>
#include <string>

#include "base/Color.h"

// Any colour Qt reads: a name such as "navy" or "#RRGGBB" (its other # forms too); nothing for
// text that names none. Transparency has no meaning for the flight and is dropped.
std::optional<ColorRef> ReadColorName(const std::string& text);
