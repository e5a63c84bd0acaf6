#include "audio/al/SourceFormat.h"

#include <AL/al.h>
#include <AL/alext.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/audio/RiffBuilder.h"

namespace {

using audio::al::BufferFormatOf;
using testing_audio::Bytes;

// A record as the reader hands it out, with its extra bytes behind it.
class Record {
  public:
    explicit Record(Bytes fmtChunk) : bytes_(std::move(fmtChunk)) {
        if (bytes_.size() < 18) {
            bytes_.resize(18, 0);
        }
    }
    const WAVEFORMATEX& format() const {
        return *reinterpret_cast<const WAVEFORMATEX*>(bytes_.data());
    }
    Bytes& bytes() { return bytes_; }

  private:
    Bytes bytes_;
};

int Of(const Bytes& chunk, bool float32 = true) {
    return BufferFormatOf(Record(chunk).format(), float32);
}

TEST(SourceFormatTest, PlainPcmAndFloatMapOntoOpenAlsOwnFormats) {
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 44100, 8)), AL_FORMAT_MONO8);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 2, 44100, 8)), AL_FORMAT_STEREO8);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 44100, 16)), AL_FORMAT_MONO16);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 2, 22050, 16)), AL_FORMAT_STEREO16);
    EXPECT_EQ(Of(testing_audio::FormatHead(3, 1, 48000, 32)), AL_FORMAT_MONO_FLOAT32);
    EXPECT_EQ(Of(testing_audio::FormatHead(3, 2, 48000, 32)), AL_FORMAT_STEREO_FLOAT32);
    EXPECT_EQ(Of(testing_audio::FormatHead(3, 1, 48000, 32), false), 0);
}

TEST(SourceFormatTest, ExtensibleFormatsPlayAsTheirSubFormat) {
    EXPECT_EQ(Of(testing_audio::Extensible(1, 1, 44100, 16, 0x4)), AL_FORMAT_MONO16);
    EXPECT_EQ(Of(testing_audio::Extensible(1, 2, 44100, 8, 0x3)), AL_FORMAT_STEREO8);
    EXPECT_EQ(Of(testing_audio::Extensible(3, 2, 44100, 32, 0x3)), AL_FORMAT_STEREO_FLOAT32);
    EXPECT_EQ(Of(testing_audio::Extensible(3, 2, 44100, 32, 0x3), false), 0);

    Bytes fewerValidBits = testing_audio::Extensible(1, 1, 44100, 16, 0x4);
    fewerValidBits[18] = 12;
    EXPECT_EQ(Of(fewerValidBits), 0);
    Bytes otherGuid = testing_audio::Extensible(1, 1, 44100, 16, 0x4);
    otherGuid[39] ^= 0xFF;
    EXPECT_EQ(Of(otherGuid), 0);
    Bytes shortExtra = testing_audio::Extensible(1, 1, 44100, 16, 0x4);
    shortExtra[16] = 21;
    EXPECT_EQ(Of(shortExtra), 0);
    EXPECT_EQ(Of(testing_audio::Extensible(2, 1, 44100, 16, 0x4)), 0);
}

TEST(SourceFormatTest, FormatsOpenAlCannotPlayAsTheyStandAreRefused) {
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 44100, 24)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 44100, 32)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 3, 44100, 16)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 6, 44100, 16)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 0, 44100, 16)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(2, 1, 44100, 4)), 0);   // ADPCM
    EXPECT_EQ(Of(testing_audio::FormatHead(6, 1, 8000, 8)), 0);    // A-law
    EXPECT_EQ(Of(testing_audio::FormatHead(3, 1, 44100, 64)), 0);  // double
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 0, 16)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 999, 16)), 0);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 1000, 16)), AL_FORMAT_MONO16);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 200000, 16)), AL_FORMAT_MONO16);
    EXPECT_EQ(Of(testing_audio::FormatHead(1, 1, 200001, 16)), 0);

    Bytes badAlign = testing_audio::FormatHead(1, 2, 44100, 16);
    badAlign[12] = 2;
    EXPECT_EQ(Of(badAlign), 0);
}

}  // namespace
