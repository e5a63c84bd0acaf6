// Writes the five drum sounds into the directory given as the only argument.

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/drums/DrumSynth.h"
#include "tools/drums/WavWriter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", directory.c_str(), ec.message().c_str());
        return 1;
    }
    for (drums::Drum& drum : drums::AllDrums()) {
        // -1 dBFS: loud, with room for the rounding to 16 bits never to clip.
        drums::Normalise(drum.samples, 0.89f);
        const std::string path = (directory / drum.fileName).string();
        if (!drums::WriteWav16Mono(path, drum.samples, drums::kSampleRate)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
