#pragma once

#include <cstdint>
#include <optional>

#include "base/Color.h"
#include "scene/TextEncoding.h"
#include "session/CommandLine.h"

class CSelvaneDoc;
struct Scene;

// What a run asks of its flight, whichever mode shows it: the window, the screensaver and the
// recorder take their options from FlightOptionsOf and hand them to the document and the scene
// through ApplyFlightSettings and StartFlight alone, so that a new option of the flight is added
// here once and reaches all three. (An option of how the text's notation is read joins the
// encoding: it is a setting of the document, applied before the text is read.)
struct FlightOptions {
    EncodingChoice encoding;  // how the text is read
    std::optional<ColorRef> background;
    std::optional<ColorRef> foreground;
    std::optional<unsigned> seed;      // the path's; none: the time's, at every build
    float cruise = 0.0f;               // characters a second; 0: no cruise, the flight rests
    std::optional<std::int64_t> from;  // the character the flight starts on; none: as opened
};

// The modes, each with defaults of its own where the command line gives none.
enum class FlightMode { Window, ScreenSaver, Recording };

// The cruise speed, in characters a second, of the modes that always cruise (the screensaver
// and a recording) when --cruise gives none.
inline constexpr float kDefaultCruise = 4.0f;

// The command line's options for a flight in `mode`: the window cruises only when asked to; the
// screensaver and a recording always do; a recording always has a seed (the time's when none is
// given, so that the video can be made again) and starts on its --from character.
FlightOptions FlightOptionsOf(const CommandLine& line, FlightMode mode);

// Before the graphics exist, so that the text brush is made in the chosen colour, and before the
// text is read: the encoding to the document, the colours and the seed to its scene.
void ApplyFlightSettings(const FlightOptions& options, CSelvaneDoc& document);

// Once the text is open: the camera on the start character, and cruise on at its speed.
void StartFlight(const FlightOptions& options, Scene& scene);
