// Writes the small hand-made seeds of fuzz_wave_file into the directory given: the shapes the
// reader must handle, built with the tests' RIFF writer.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/audio/RiffBuilder.h"

using testing_audio::Bytes;
using testing_audio::RiffBuilder;

namespace {

bool Write(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const Bytes samples = testing_audio::Samples16({0, 100, -100, 2000, -2000, 7});
    Bytes pcm18 = testing_audio::Pcm16Mono();
    testing_audio::Put16(pcm18, 0);
    Bytes adpcm = testing_audio::FormatHead(2, 1, 22050, 4);
    testing_audio::Put16(adpcm, 4);
    adpcm.insert(adpcm.end(), {1, 2, 3, 4});
    bool ok = true;
    ok &= Write(
        dir, "pcm16.wav",
        RiffBuilder().Chunk("fmt ", testing_audio::Pcm16Mono()).Chunk("data", samples).Build());
    ok &=
        Write(dir, "pcm18.wav", RiffBuilder().Chunk("fmt ", pcm18).Chunk("data", samples).Build());
    ok &= Write(
        dir, "data-first.wav",
        RiffBuilder().Chunk("data", samples).Chunk("fmt ", testing_audio::Pcm16Mono()).Build());
    ok &= Write(dir, "odd-chunks.wav",
                RiffBuilder()
                    .Chunk("LIST", Bytes{'I', 'N', 'F'})
                    .Chunk("fmt ", testing_audio::Pcm16Mono())
                    .Chunk("junk", Bytes(5, 0xEE))
                    .Chunk("data", Bytes{1, 2, 3})
                    .Build());
    ok &= Write(dir, "extensible.wav",
                RiffBuilder()
                    .Chunk("fmt ", testing_audio::Extensible(1, 2, 44100, 16, 3))
                    .Chunk("data", samples)
                    .Build());
    ok &= Write(dir, "float16byte.wav",
                RiffBuilder()
                    .Chunk("fmt ", testing_audio::FormatHead(3, 1, 48000, 32))
                    .Chunk(std::string("\x02\x00xy", 4), Bytes(6, 0x55))
                    .Chunk("data", Bytes(8, 0x11))
                    .Build());
    ok &= Write(dir, "adpcm.wav",
                RiffBuilder().Chunk("fmt ", adpcm).Chunk("data", Bytes(9, 0x77)).Build());
    ok &= Write(dir, "data-too-long.wav",
                RiffBuilder()
                    .Chunk("fmt ", testing_audio::Pcm16Mono())
                    .Chunk("data", samples, 0xFFFFFFF0u)
                    .Build());
    ok &= Write(dir, "riff-all-ones.wav",
                RiffBuilder()
                    .Chunk("fmt ", testing_audio::Pcm16Mono())
                    .Chunk("data", samples)
                    .Build("WAVE", 0xFFFFFFFFu));
    return ok ? 0 : 1;
}
