#include "session/FlightOptions.h"

#include "base/Random.h"
#include "scene/Scene.h"
#include "scene/SelvaneDoc.h"

FlightOptions FlightOptionsOf(const CommandLine& line, FlightMode mode) {
    FlightOptions options;
    options.encoding = line.encoding;
    options.background = line.background;
    options.foreground = line.foreground;
    options.seed = line.seed;
    options.cruise = line.cruise;
    switch (mode) {
        case FlightMode::Window:
            break;
        case FlightMode::ScreenSaver:
            options.cruise = line.cruise > 0.0f ? line.cruise : kDefaultCruise;
            break;
        case FlightMode::Recording:
            options.cruise = line.cruise > 0.0f ? line.cruise : kDefaultCruise;
            options.seed = line.seed.value_or(static_cast<unsigned>(Time()));
            options.from = line.recording.from;
            break;
    }
    return options;
}

void ApplyFlightSettings(const FlightOptions& options, CSelvaneDoc& document) {
    document.SetEncoding(options.encoding);
    Scene& scene = document.GetScene();
    scene.backgroundColor = options.background.value_or(scene.backgroundColor);
    scene.fontColor = options.foreground.value_or(scene.fontColor);
    scene.fixedSeed = options.seed;
}

void StartFlight(const FlightOptions& options, Scene& scene) {
    if (options.from) {
        scene.PlaceCamera(*options.from);
    }
    if (options.cruise > 0.0f) {
        scene.cruiseSpeed = options.cruise / kTicksPerSecond;
        scene.SetCruise(true);
    }
}
