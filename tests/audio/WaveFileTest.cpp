#include "audio/WaveFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/audio/RiffBuilder.h"
#include "tests/support/TempDir.h"

namespace {

using testing_audio::Bytes;
using testing_audio::RiffBuilder;

class WaveFileTest : public ::testing::Test {
  protected:
    std::string Write(const Bytes& bytes) { return dir_.Write("test.wav", bytes); }

    // Writes `bytes` to a file and opens it.
    HRESULT OpenBytes(const Bytes& bytes) { return reader_.Open(Write(bytes).c_str()); }

    Bytes ReadAll(std::uint32_t count) {
        Bytes out(count);
        std::uint32_t read = 0xDEAD;
        EXPECT_EQ(reader_.Read(out.data(), count, &read), S_OK);
        EXPECT_EQ(read, count);
        return out;
    }

    TempDir dir_;
    WaveFile reader_;
};

// --- the format record -------------------------------------------------------------------

TEST_F(WaveFileTest, CanonicalPcmFileGivesFormatSizeAndSamples) {
    const Bytes samples = testing_audio::Samples16({0, 1000, -1000, 32767, -32768, 7});
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono(22050))
                            .Chunk("data", samples)
                            .Build()),
              S_OK);
    const WAVEFORMATEX* f = reader_.Format();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->formatTag, 1);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->samplesPerSec, 22050u);
    EXPECT_EQ(f->avgBytesPerSec, 44100u);
    EXPECT_EQ(f->blockAlign, 2);
    EXPECT_EQ(f->bitsPerSample, 16);
    EXPECT_EQ(f->extraSize, 0);
    EXPECT_EQ(reader_.DataSize(), samples.size());
    EXPECT_EQ(reader_.AvailableDataSize(), samples.size());
    EXPECT_EQ(ReadAll(static_cast<std::uint32_t>(samples.size())), samples);
}

TEST_F(WaveFileTest, FmtChunkOf14BytesIsRejected) {
    Bytes fmt = testing_audio::Pcm16Mono();
    fmt.resize(14);
    EXPECT_EQ(OpenBytes(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(4)).Build()), E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
}

TEST_F(WaveFileTest, PcmFmtLongerThan16BytesSkipsItsExtraBytes) {
    for (const Bytes& tail : {Bytes{0x00, 0x00}, Bytes{0x05, 0x00, 0xAB, 0xCD, 0xEF, 0x01, 0x02}}) {
        Bytes fmt = testing_audio::Pcm16Mono();
        fmt.insert(fmt.end(), tail.begin(), tail.end());
        ASSERT_EQ(OpenBytes(RiffBuilder()
                                .Chunk("fmt ", fmt)
                                .Chunk("data", testing_audio::Samples16({11, 22}))
                                .Build()),
                  S_OK)
            << "fmt size " << fmt.size();
        EXPECT_EQ(reader_.Format()->extraSize, 0);
        EXPECT_EQ(reader_.DataSize(), 4u);
        EXPECT_EQ(ReadAll(4), testing_audio::Samples16({11, 22}));
    }
}

TEST_F(WaveFileTest, NonPcmReadsItsExtraSizeBehindA16ByteChunkAndStillAscendsToItsEnd) {
    // The two bytes behind the 16-byte chunk are the next chunk's id: "\2\0" reads as an extra
    // size of 2, and the two extra bytes are the rest of that id.
    const Bytes id = {0x02, 0x00, 'x', 'y'};
    const std::string oddId(id.begin(), id.end());
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::FormatHead(3, 1, 48000, 32))
                            .Chunk(oddId, Bytes(6, 0x55))
                            .Chunk("data", Bytes(8, 0x11))
                            .Build()),
              S_OK);
    const WAVEFORMATEX* f = reader_.Format();
    EXPECT_EQ(f->formatTag, 3);
    EXPECT_EQ(f->bitsPerSample, 32);
    ASSERT_EQ(f->extraSize, 2);
    const auto* extra = reinterpret_cast<const std::uint8_t*>(f) + 18;
    EXPECT_EQ(extra[0], 'x');
    EXPECT_EQ(extra[1], 'y');
    EXPECT_EQ(reader_.DataSize(), 8u);
    EXPECT_EQ(ReadAll(8), Bytes(8, 0x11));
}

TEST_F(WaveFileTest, NonPcmExtraBytesAreCopiedBehindTheExtraSize) {
    Bytes fmt = testing_audio::FormatHead(2, 2, 22050, 4);
    testing_audio::Put16(fmt, 5);
    const Bytes extras = {9, 8, 7, 6, 5};
    fmt.insert(fmt.end(), extras.begin(), extras.end());
    ASSERT_EQ(OpenBytes(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(3, 1)).Build()), S_OK);
    const WAVEFORMATEX* f = reader_.Format();
    ASSERT_EQ(f->extraSize, 5);
    EXPECT_EQ(Bytes(reinterpret_cast<const std::uint8_t*>(f) + 18,
                    reinterpret_cast<const std::uint8_t*>(f) + 23),
              extras);
    EXPECT_EQ(reader_.DataSize(), 3u);
}

TEST_F(WaveFileTest, ExtensibleFormatAsOpenAlWritesItKeepsAll22ExtraBytes) {
    const Bytes fmt = testing_audio::Extensible(1, 2, 44100, 16, 0x3);
    ASSERT_EQ(fmt.size(), 40u);
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", fmt)
                            .Chunk("data", testing_audio::Samples16({1, 2, 3, 4}))
                            .Build()),
              S_OK);
    const WAVEFORMATEX* f = reader_.Format();
    EXPECT_EQ(f->formatTag, 0xFFFE);
    EXPECT_EQ(f->channels, 2);
    ASSERT_EQ(f->extraSize, 22);
    // The whole record is the chunk's 40 bytes as they stand.
    EXPECT_EQ(std::memcmp(f, fmt.data(), fmt.size()), 0);
    EXPECT_EQ(ReadAll(8), testing_audio::Samples16({1, 2, 3, 4}));
}

// --- chunk navigation --------------------------------------------------------------------

TEST_F(WaveFileTest, DataChunkAheadOfFmtIsFound) {
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("data", testing_audio::Samples16({5, 6, 7}))
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Build()),
              S_OK);
    EXPECT_EQ(reader_.Format()->samplesPerSec, 44100u);
    EXPECT_EQ(ReadAll(6), testing_audio::Samples16({5, 6, 7}));
}

TEST_F(WaveFileTest, OddChunksAreSkippedWithTheirPadByte) {
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("LIST", Bytes{'I', 'N', 'F'})
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("junk", Bytes(5, 0xEE))
                            .Chunk("data", Bytes{1, 2, 3})
                            .Chunk("cue ", Bytes(4, 0))
                            .Build()),
              S_OK);
    EXPECT_EQ(reader_.DataSize(), 3u);
    EXPECT_EQ(ReadAll(3), (Bytes{1, 2, 3}));
}

TEST_F(WaveFileTest, OddChunkWithoutItsPadByteThrowsTheSearchOff) {
    // Without the pad the next header is read one byte early, so "fmt " is never found: the
    // skip really rounds up to an even offset.
    EXPECT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("junk", Bytes{1, 2, 3}, std::nullopt, false)
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", Bytes(2))
                            .Build()),
              E_FAIL);
}

TEST_F(WaveFileTest, RiffWithAnotherFormTypeOrAnotherIdIsRejected) {
    const RiffBuilder body =
        RiffBuilder().Chunk("fmt ", testing_audio::Pcm16Mono()).Chunk("data", Bytes(2));
    EXPECT_EQ(OpenBytes(body.Build("AVI ")), E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
    EXPECT_EQ(OpenBytes(body.Build("WAVE", std::nullopt, "RIFX")), E_FAIL);
    EXPECT_EQ(OpenBytes(body.Build("WAVE", std::nullopt, "LIST")), E_FAIL);
    EXPECT_EQ(OpenBytes(body.Build()), S_OK);
}

TEST_F(WaveFileTest, MissingFmtOrDataChunkFailsWithoutAFormat) {
    EXPECT_EQ(OpenBytes(RiffBuilder().Chunk("data", Bytes(4)).Build()), E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
    EXPECT_EQ(OpenBytes(RiffBuilder().Chunk("fmt ", testing_audio::Pcm16Mono()).Build()), E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
    std::uint32_t read = 7;
    std::uint8_t byte = 0;
    // The handle of a file whose data was not found stays open until Close, with nothing to read.
    EXPECT_EQ(reader_.Read(&byte, 1, &read), S_OK);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(reader_.Close(), S_OK);
    EXPECT_EQ(reader_.Read(&byte, 1, &read), CO_E_NOTINITIALIZED);
}

TEST_F(WaveFileTest, MissingFileDirectoryAndNoNameFail) {
    EXPECT_EQ(reader_.Open((dir_.path() / "absent.wav").c_str()), E_FAIL);
    EXPECT_EQ(reader_.Open(dir_.path().c_str()), E_FAIL);
    EXPECT_EQ(reader_.Open(""), E_FAIL);
    EXPECT_EQ(reader_.Open(nullptr), E_INVALIDARG);
    EXPECT_EQ(reader_.Format(), nullptr);
}

// --- reading and closing -----------------------------------------------------------------

class WaveFileReadTest : public WaveFileTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(OpenBytes(RiffBuilder()
                                .Chunk("fmt ", testing_audio::Pcm16Mono())
                                .Chunk("data", testing_audio::Ramp(10))
                                .Chunk("LIST", Bytes(8, 0xCC))
                                .Build()),
                  S_OK);
    }
};

TEST_F(WaveFileReadTest, ZeroByteReadSucceedsWithNothingRead) {
    std::uint8_t byte = 0x42;
    std::uint32_t read = 99;
    EXPECT_EQ(reader_.Read(&byte, 0, &read), S_OK);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(byte, 0x42);
    EXPECT_EQ(ReadAll(10), testing_audio::Ramp(10));
}

TEST_F(WaveFileReadTest, ReadsContinueInPiecesAndStopAtTheEndOfTheChunk) {
    const Bytes all = testing_audio::Ramp(10);
    Bytes first(4), rest(20, 0);
    std::uint32_t read = 0;
    ASSERT_EQ(reader_.Read(first.data(), 4, &read), S_OK);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(first, Bytes(all.begin(), all.begin() + 4));
    // Asking for more than is left gives what is left of the chunk, not the chunk behind it.
    ASSERT_EQ(reader_.Read(rest.data(), 20, &read), S_OK);
    EXPECT_EQ(read, 6u);
    EXPECT_EQ(Bytes(rest.begin(), rest.begin() + 6), Bytes(all.begin() + 4, all.end()));
    EXPECT_EQ(rest[6], 0);
    ASSERT_EQ(reader_.Read(rest.data(), 20, &read), S_OK);
    EXPECT_EQ(read, 0u);
}

TEST_F(WaveFileReadTest, ReadNeedsABufferAndACountAndAnOpenFile) {
    std::uint8_t byte = 0;
    std::uint32_t read = 0;
    EXPECT_EQ(reader_.Read(nullptr, 1, &read), E_INVALIDARG);
    EXPECT_EQ(reader_.Read(&byte, 1, nullptr), E_INVALIDARG);
    WaveFile fresh;
    EXPECT_EQ(fresh.Read(&byte, 1, &read), CO_E_NOTINITIALIZED);
    EXPECT_EQ(fresh.Format(), nullptr);
    EXPECT_EQ(fresh.Close(), S_OK);
}

TEST_F(WaveFileReadTest, ClosingTwiceIsHarmlessAndKeepsTheFormat) {
    EXPECT_EQ(reader_.Close(), S_OK);
    EXPECT_EQ(reader_.Close(), S_OK);
    ASSERT_NE(reader_.Format(), nullptr);
    EXPECT_EQ(reader_.Format()->bitsPerSample, 16);
    std::uint8_t byte = 0;
    std::uint32_t read = 0;
    EXPECT_EQ(reader_.Read(&byte, 1, &read), CO_E_NOTINITIALIZED);
    EXPECT_EQ(reader_.AvailableDataSize(), 0u);
}

TEST_F(WaveFileReadTest, OpeningAgainReadsTheNewFile) {
    const std::string other =
        dir_.Write("other.wav", RiffBuilder()
                                    .Chunk("fmt ", testing_audio::Pcm16Mono(8000))
                                    .Chunk("data", Bytes{9, 9})
                                    .Build());
    ASSERT_EQ(reader_.Open(other.c_str()), S_OK);
    EXPECT_EQ(reader_.Format()->samplesPerSec, 8000u);
    EXPECT_EQ(ReadAll(2), (Bytes{9, 9}));
    EXPECT_EQ(reader_.Open((dir_.path() / "absent.wav").c_str()), E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
}

// --- hostile files -----------------------------------------------------------------------

TEST_F(WaveFileTest, DataChunkLongerThanTheFileFailsTheReadThatReachesTheEnd) {
    for (const std::uint32_t claimed : {100u, 0xFFFFFFFFu}) {
        ASSERT_EQ(OpenBytes(RiffBuilder()
                                .Chunk("fmt ", testing_audio::Pcm16Mono())
                                .Chunk("data", testing_audio::Ramp(10), claimed)
                                .Build()),
                  S_OK);
        EXPECT_EQ(reader_.DataSize(), claimed);
        EXPECT_EQ(reader_.AvailableDataSize(), 10u);
        Bytes buffer(200, 0);
        std::uint32_t read = 5;
        EXPECT_EQ(reader_.Read(buffer.data(), 200, &read), E_FAIL);
        EXPECT_EQ(read, 0u);
        // What the file does hold has arrived; nothing was written beyond it.
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 10), testing_audio::Ramp(10));
        EXPECT_EQ(buffer[10], 0);
    }
}

TEST_F(WaveFileTest, ReadOfWhatTheFileHoldsSucceedsAndTheNextOneFails) {
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", testing_audio::Ramp(10), 0xFFFFFFFFu)
                            .Build()),
              S_OK);
    EXPECT_EQ(ReadAll(reader_.AvailableDataSize()), testing_audio::Ramp(10));
    std::uint8_t byte = 0;
    std::uint32_t read = 0;
    EXPECT_EQ(reader_.Read(&byte, 1, &read), E_FAIL);
    EXPECT_EQ(reader_.AvailableDataSize(), 0u);
}

TEST_F(WaveFileTest, RiffSizeOfAllOnesIsBoundedByTheFile) {
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", testing_audio::Ramp(6))
                            .Build("WAVE", 0xFFFFFFFFu)),
              S_OK);
    EXPECT_EQ(ReadAll(6), testing_audio::Ramp(6));
}

TEST_F(WaveFileTest, ChunksBeyondTheDeclaredRiffSizeAreNotSearched) {
    // The RIFF chunk declares only its form type and "fmt ": "data" lies outside it.
    EXPECT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", Bytes(4))
                            .Build("WAVE", 4 + 8 + 16)),
              E_FAIL);
    // And data that runs past the RIFF chunk's end cannot be read.
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", testing_audio::Ramp(8))
                            .Build("WAVE", 4 + 24 + 8 + 4)),
              S_OK);
    EXPECT_EQ(reader_.DataSize(), 8u);
    EXPECT_EQ(reader_.AvailableDataSize(), 4u);
    Bytes buffer(8);
    std::uint32_t read = 0;
    EXPECT_EQ(reader_.Read(buffer.data(), 8, &read), E_FAIL);
}

TEST_F(WaveFileTest, ChunkSizesOfAllOnesEndTheSearchWithoutWrappingAround) {
    // Skipping a chunk of 0xFFFFFFFC bytes lands past 4 GiB; with 32-bit offsets it would wrap
    // back into the file's first bytes.
    EXPECT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("junk", Bytes(4), 0xFFFFFFFCu)
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", Bytes(4))
                            .Build()),
              E_FAIL);
    EXPECT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono(), 0xFFFFFFFFu)
                            .Chunk("data", Bytes(4))
                            .Build()),
              E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
    // Found ahead of a "fmt " of all-ones size, "data" is still reachable.
    ASSERT_EQ(OpenBytes(RiffBuilder()
                            .Chunk("data", Bytes{4, 5})
                            .Chunk("fmt ", testing_audio::Pcm16Mono(), 0xFFFFFFFFu)
                            .Build()),
              S_OK);
    EXPECT_EQ(ReadAll(2), (Bytes{4, 5}));
}

TEST_F(WaveFileTest, ExtraSizeBeyondTheFileFailsWithoutAFormat) {
    Bytes fmt = testing_audio::FormatHead(0x55, 1, 44100, 16);
    testing_audio::Put16(fmt, 0xFFFF);
    EXPECT_EQ(OpenBytes(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(4)).Build()), E_FAIL);
    EXPECT_EQ(reader_.Format(), nullptr);
}

TEST_F(WaveFileTest, EveryTruncationOfTheHeadersFails) {
    const Bytes whole = RiffBuilder()
                            .Chunk("fmt ", testing_audio::Pcm16Mono())
                            .Chunk("data", testing_audio::Ramp(4))
                            .Build();
    // 12 bytes of RIFF header, 24 of "fmt ", 8 of the "data" header.
    for (std::size_t length = 0; length < 44; ++length) {
        EXPECT_EQ(OpenBytes(Bytes(whole.begin(), whole.begin() + static_cast<long>(length))),
                  E_FAIL)
            << "length " << length;
        EXPECT_EQ(reader_.Format(), nullptr);
    }
    // With the headers whole, it is the read of the missing samples that fails.
    ASSERT_EQ(OpenBytes(Bytes(whole.begin(), whole.begin() + 46)), S_OK);
    EXPECT_EQ(reader_.AvailableDataSize(), 2u);
}

}  // namespace
