#include "audio/DrumPlayer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/MessageBox.h"
#include "base/ModuleDirectory.h"
#include "tests/audio/RiffBuilder.h"
#include "tests/fakes/FakeAudio.h"
#include "tests/support/Allocations.h"
#include "tests/support/TempDir.h"

namespace {

using testing::ElementsAre;
using testing_audio::Bytes;
using testing_audio::RiffBuilder;

constexpr HRESULT kEngineError = static_cast<HRESULT>(0x88960001u);

// Samples of sound `index`: a different length and content for each.
Bytes SamplesOf(std::size_t index) {
    Bytes samples = testing_audio::Ramp(200 + 2 * 37 * index);
    samples[0] = static_cast<std::uint8_t>(index + 1);
    return samples;
}

Bytes WaveOf(std::size_t index) {
    return RiffBuilder()
        .Chunk("fmt ", testing_audio::Pcm16Mono())
        .Chunk("data", SamplesOf(index))
        .Build();
}

class DrumPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        audio::SetPlatform(&audio_);
        SetModuleDirectoryForTesting(dir_.path().string());
        audio::SetMessageBoxHandler([this](std::string_view text) { boxes_.emplace_back(text); });
        for (std::size_t i = 0; i < DrumPlayer::kSoundNames.size(); ++i) {
            WriteSound(i, WaveOf(i));
        }
    }
    void TearDown() override {
        audio::SetPlatform(nullptr);
        SetModuleDirectoryForTesting("");
        audio::SetMessageBoxHandler({});
    }

    std::string WriteSound(std::size_t index, const Bytes& bytes) {
        return dir_.Write(std::string("Sounds/") + DrumPlayer::kSoundNames[index], bytes);
    }
    void RemoveSound(std::size_t index) {
        std::filesystem::remove(dir_.path() / "Sounds" / DrumPlayer::kSoundNames[index]);
    }
    std::string PathOf(std::size_t index) const {
        return GetModuleDirectory() + "/Sounds/" + DrumPlayer::kSoundNames[index];
    }

    // Constructs the player and returns what it wrote on standard output.
    std::string Construct() {
        testing::internal::CaptureStdout();
        player_ = std::make_unique<DrumPlayer>();
        return testing::internal::GetCapturedStdout();
    }

    fake::FakeAudio audio_;
    TempDir dir_;
    std::vector<std::string> boxes_;
    std::unique_ptr<DrumPlayer> player_;
};

// --- construction ------------------------------------------------------------------------

TEST_F(DrumPlayerTest, LoadsTheFiveSoundsInTableOrderEachWithItsOwnVoice) {
    EXPECT_EQ(Construct(), "");
    EXPECT_TRUE(boxes_.empty());
    ASSERT_TRUE(player_->HasEngine());
    ASSERT_EQ(player_->Sounds().size(), 5u);
    const char* names[] = {"DrumBass.wav", "DrumCymbal.wav", "DrumHat.wav", "DrumSnare.wav",
                           "DrumTom.wav"};
    for (std::size_t i = 0; i < 5; ++i) {
        const DrumSound& sound = player_->Sounds()[i];
        EXPECT_EQ(sound.name, names[i]);
        ASSERT_NE(sound.voice, nullptr) << i;
        const Bytes expected = SamplesOf(i);
        ASSERT_EQ(sound.size, expected.size());
        EXPECT_EQ(Bytes(sound.data.get(), sound.data.get() + sound.size), expected);
        ASSERT_TRUE(sound.format);
        EXPECT_EQ(sound.format.get()->samplesPerSec, 44100u);
    }
    EXPECT_EQ(audio_.Live("SourceVoice"), 5);
    const std::vector<std::string> made = audio_.CallsOf("CreateSourceVoice");
    ASSERT_EQ(made.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(made[i], "CreateSourceVoice(Engine#1,tag=1,extra=0,flags=0,ratio=2,bytes=" +
                               std::to_string(SamplesOf(i).size()) + ") -> SourceVoice#" +
                               std::to_string(3 + i));
    }
    EXPECT_THAT(audio_.CallsOf("Initialize"), ElementsAre("Initialize(Engine#1,0,0xffffffff)"));
    EXPECT_THAT(audio_.CallsOf("CreateMasteringVoice"),
                ElementsAre("CreateMasteringVoice(Engine#1,0,0,0,0) -> MasteringVoice#2"));
    // Loading queues nothing: the first Stop does.
    EXPECT_EQ(audio_.CountOf("SubmitSourceBuffer"), 0);
}

TEST_F(DrumPlayerTest, EngineThatCannotBeCreatedShowsOneBoxAndLeavesNoSounds) {
    audio_.Fail("CreateEngine");
    EXPECT_EQ(Construct(), "");
    EXPECT_THAT(boxes_, ElementsAre("Failed to init XAudio2 engine"));
    EXPECT_FALSE(player_->HasEngine());
    EXPECT_TRUE(player_->Sounds().empty());
    EXPECT_EQ(player_->Play(0), E_FAIL);
    EXPECT_EQ(player_->Stop(0), E_FAIL);
    EXPECT_EQ(audio_.Live("Engine"), 0);
}

TEST_F(DrumPlayerTest, EngineThatCannotBeInitialisedIsReleasedAndShowsTheSameBox) {
    audio_.Fail("Initialize");
    Construct();
    EXPECT_THAT(boxes_, ElementsAre("Failed to init XAudio2 engine"));
    EXPECT_EQ(audio_.Live("Engine"), 0);
    EXPECT_THAT(audio_.calls,
                ElementsAre("CreateEngine -> Engine#1",
                            "Initialize(Engine#1,0,0xffffffff) -> failed", "Release(Engine#1)"));
    EXPECT_EQ(player_->Play(2), E_FAIL);
    EXPECT_EQ(player_->Stop(2), E_FAIL);
}

TEST_F(DrumPlayerTest, WithoutAnInstalledPlatformTheEngineFailsToStart) {
    audio::SetPlatform(nullptr);
    Construct();
    EXPECT_THAT(boxes_, ElementsAre("Failed to init XAudio2 engine"));
    EXPECT_EQ(player_->Play(0), E_FAIL);
}

TEST_F(DrumPlayerTest, MasteringVoiceFailureShowsItsBoxAndReleasesTheEngine) {
    audio_.Fail("CreateMasteringVoice");
    Construct();
    EXPECT_THAT(boxes_, ElementsAre("Failed creating mastering voice"));
    EXPECT_FALSE(player_->HasEngine());
    EXPECT_TRUE(player_->Sounds().empty());
    EXPECT_EQ(audio_.Live("Engine"), 0);
    EXPECT_EQ(audio_.CountOf("CreateSourceVoice"), 0);
    EXPECT_EQ(player_->Play(0), E_FAIL);
    EXPECT_EQ(player_->Stop(0), E_FAIL);
}

// --- one sound failing -------------------------------------------------------------------

TEST_F(DrumPlayerTest, MissingFileIsReportedWithItsPathAndTheOtherFourPlay) {
    RemoveSound(2);
    EXPECT_EQ(Construct(), "Failed reading WAV file: 0X80004005 (" + PathOf(2) + ")\n");
    // The program's directory ends with a separator; the doubled one before "Sounds" is kept.
    EXPECT_NE(PathOf(2).find("//Sounds/DrumHat.wav"), std::string::npos);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(audio_.Live("SourceVoice"), 4);
    const DrumSound& hat = player_->Sounds()[2];
    EXPECT_EQ(hat.name, "DrumHat.wav");
    EXPECT_EQ(hat.voice, nullptr);
    EXPECT_EQ(hat.data, nullptr);
    EXPECT_EQ(player_->Play(2), E_FAIL);
    EXPECT_EQ(player_->Stop(2), E_FAIL);
    for (const std::int32_t i : {0, 1, 3, 4}) {
        EXPECT_EQ(player_->Play(i), S_OK) << i;
    }
}

TEST_F(DrumPlayerTest, FileThatIsNotAWaveIsReportedAsUnreadable) {
    WriteSound(4, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
    EXPECT_EQ(Construct(), "Failed reading WAV file: 0X80004005 (" + PathOf(4) + ")\n");
    EXPECT_EQ(player_->Sounds()[4].voice, nullptr);
}

TEST_F(DrumPlayerTest, DataLongerThanTheFileFailsTheReadWithoutAllocatingTheClaim) {
    for (const std::uint32_t claimed : {1000u, 0xFFFFFFF0u}) {
        WriteSound(1, RiffBuilder()
                          .Chunk("fmt ", testing_audio::Pcm16Mono())
                          .Chunk("data", testing_audio::Ramp(100), claimed)
                          .Build());
        AllocationProbe probe;
        EXPECT_EQ(Construct(), "Failed to read WAV data: 0X80004005\n");
        EXPECT_LT(probe.largest(), 64u * 1024u) << "claimed " << claimed;
        const DrumSound& cymbal = player_->Sounds()[1];
        EXPECT_EQ(cymbal.voice, nullptr);
        EXPECT_EQ(cymbal.data, nullptr);
        EXPECT_EQ(cymbal.size, 0u);
        EXPECT_EQ(audio_.Live("SourceVoice"), 4);
        player_.reset();
    }
}

TEST_F(DrumPlayerTest, VoiceThatCannotBeCreatedIsReportedAndTheSoundKeepsNoData) {
    audio_.Fail("CreateSourceVoice", 2, kEngineError);
    EXPECT_EQ(Construct(), "Error 0X88960001 creating source voice\n");
    const DrumSound& cymbal = player_->Sounds()[1];
    EXPECT_EQ(cymbal.voice, nullptr);
    EXPECT_EQ(cymbal.data, nullptr);
    EXPECT_EQ(player_->Play(1), E_FAIL);
    EXPECT_EQ(player_->Play(0), S_OK);
    EXPECT_EQ(player_->Play(2), S_OK);
}

TEST_F(DrumPlayerTest, FormatWithExtraBytesReachesTheEngineWhole) {
    const Bytes fmt = testing_audio::Extensible(1, 2, 48000, 16, 0x3);
    WriteSound(3, RiffBuilder().Chunk("fmt ", fmt).Chunk("data", testing_audio::Ramp(64)).Build());
    Construct();
    ASSERT_EQ(audio_.sourceFormats.size(), 5u);
    EXPECT_EQ(audio_.sourceFormats[3], fmt);
    EXPECT_EQ(audio_.sourceFormats[0].size(), 18u);
}

// --- playing and stopping ----------------------------------------------------------------

TEST_F(DrumPlayerTest, PlayStopsFlushesResubmitsTheWholeSoundAndStarts) {
    Construct();
    audio_.ClearLog();
    EXPECT_EQ(player_->Play(3), S_OK);
    const std::string voice = "SourceVoice#6";
    EXPECT_THAT(audio_.calls,
                ElementsAre("Stop(" + voice + ",0,0)", "FlushSourceBuffers(" + voice + ")",
                            "SubmitSourceBuffer(" + voice + ",flags=0x40,bytes=" +
                                std::to_string(SamplesOf(3).size()) + ",own)",
                            "Start(" + voice + ",0,0)"));
    ASSERT_EQ(audio_.submittedBuffers.size(), 1u);
    const audio::Buffer& b = audio_.submittedBuffers[0];
    EXPECT_EQ(b.flags, audio::kEndOfStream);
    EXPECT_EQ(b.audioBytes, player_->Sounds()[3].size);
    EXPECT_EQ(b.audioData, player_->Sounds()[3].data.get());
    EXPECT_EQ(b.playBegin, 0u);
    EXPECT_EQ(b.playLength, 0u);
    EXPECT_EQ(b.loopBegin, 0u);
    EXPECT_EQ(b.loopLength, 0u);
    EXPECT_EQ(b.loopCount, 0u);
    EXPECT_EQ(b.context, nullptr);
}

TEST_F(DrumPlayerTest, PlayReturnsWhatStartReturnsAndIgnoresStopAndFlush) {
    Construct();
    audio_.Fail("Stop", 0, kEngineError);
    audio_.Fail("FlushSourceBuffers", 0, kEngineError);
    EXPECT_EQ(player_->Play(0), S_OK);
    audio_.Fail("Start", 0, E_OUTOFMEMORY);
    EXPECT_EQ(player_->Play(0), E_OUTOFMEMORY);
    // Neither failure unloads the sound.
    EXPECT_NE(player_->Sounds()[0].voice, nullptr);
}

TEST_F(DrumPlayerTest, ARestingEngineStartsAgainBeforeTheNextStrikeAndOnlyThen) {
    Construct();
    // The longest sound: 496 bytes of 16-bit mono at 44.1 kHz, rounded up.
    EXPECT_EQ(player_->LongestMilliseconds(), 6u);
    audio_.ClearLog();
    player_->Rest();
    player_->Rest();
    EXPECT_THAT(audio_.calls, ElementsAre("StopEngine(Engine#1)"));
    audio_.ClearLog();
    EXPECT_EQ(player_->Play(1), S_OK);
    EXPECT_EQ(audio_.calls.front(), "StartEngine(Engine#1)");
    EXPECT_EQ(audio_.calls.back(), "Start(SourceVoice#4,0,0)");
    EXPECT_EQ(player_->Play(1), S_OK);
    EXPECT_EQ(audio_.CountOf("StartEngine"), 1);

    // An engine that cannot start again plays nothing and is asked again at the next strike.
    player_->Rest();
    audio_.Fail("StartEngine", 2, kEngineError);
    audio_.ClearLog();
    EXPECT_EQ(player_->Play(2), kEngineError);
    EXPECT_EQ(audio_.CountOf("Start"), 0);
    EXPECT_TRUE(player_->resting());
    EXPECT_EQ(player_->Play(2), S_OK);
    EXPECT_FALSE(player_->resting());
}

TEST_F(DrumPlayerTest, StopOfASoundThatNeverPlayedLeavesItsBufferQueuedOnce) {
    Construct();
    EXPECT_EQ(player_->Stop(4), S_OK);
    audio::VoiceState state;
    player_->Sounds()[4].voice->GetState(&state);
    EXPECT_EQ(state.buffersQueued, 1u);
    EXPECT_EQ(player_->Stop(4), S_OK);
    player_->Sounds()[4].voice->GetState(&state);
    EXPECT_EQ(state.buffersQueued, 1u);
    EXPECT_EQ(audio_.CountOf("Start"), 0);
}

TEST_F(DrumPlayerTest, IndicesOutsideTheListPlayNothingAndCannotBeStopped) {
    Construct();
    audio_.ClearLog();
    for (const std::int32_t index : {5, -1, INT_MAX, INT_MIN}) {
        EXPECT_EQ(player_->Play(index), S_OK) << index;
        EXPECT_EQ(player_->Stop(index), E_FAIL) << index;
        EXPECT_EQ(player_->LoadSound(index, PathOf(0)), E_FAIL) << index;
    }
    EXPECT_TRUE(audio_.calls.empty());
}

TEST_F(DrumPlayerTest, FailedSubmissionUnloadsTheSoundForGood) {
    Construct();
    audio_.Fail("SubmitSourceBuffer", 1, kEngineError);
    testing::internal::CaptureStdout();
    // The voice is gone after the failed submission, so there is nothing left to start.
    EXPECT_EQ(player_->Play(0), kEngineError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error 0X88960001 submitting source buffer\n");
    EXPECT_EQ(audio_.CountOf("Start"), 0);
    EXPECT_EQ(audio_.Live("SourceVoice"), 4);
    EXPECT_EQ(audio_.voicesDestroyedAfterTheirData, 0);
    const DrumSound& bass = player_->Sounds()[0];
    EXPECT_EQ(bass.voice, nullptr);
    EXPECT_EQ(bass.data, nullptr);
    EXPECT_EQ(player_->Play(0), E_FAIL);
    EXPECT_EQ(player_->Stop(0), E_FAIL);
    EXPECT_EQ(player_->Play(1), S_OK);
}

TEST_F(DrumPlayerTest, FailedSubmissionInStopReturnsItsCode) {
    Construct();
    audio_.Fail("SubmitSourceBuffer", 1, kEngineError);
    testing::internal::CaptureStdout();
    EXPECT_EQ(player_->Stop(3), kEngineError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error 0X88960001 submitting source buffer\n");
    EXPECT_EQ(player_->Sounds()[3].voice, nullptr);
    EXPECT_EQ(player_->Stop(3), E_FAIL);
}

// --- destruction and reloading -----------------------------------------------------------

TEST_F(DrumPlayerTest, DestructionDestroysVoicesInOrderThenTheMasteringVoiceThenTheEngine) {
    Construct();
    player_->Play(1);
    audio_.ClearLog();
    player_.reset();
    EXPECT_THAT(audio_.calls,
                ElementsAre("DestroyVoice(SourceVoice#3)", "DestroyVoice(SourceVoice#4)",
                            "DestroyVoice(SourceVoice#5)", "DestroyVoice(SourceVoice#6)",
                            "DestroyVoice(SourceVoice#7)", "DestroyVoice(MasteringVoice#2)",
                            "Release(Engine#1)"));
    EXPECT_EQ(audio_.voicesDestroyedAfterTheirData, 0);
    EXPECT_EQ(audio_.Live("SourceVoice"), 0);
    EXPECT_EQ(audio_.Live("MasteringVoice"), 0);
    EXPECT_EQ(audio_.Live("Engine"), 0);
}

TEST_F(DrumPlayerTest, LoadingASoundAgainReplacesItsVoiceBeforeItsData) {
    Construct();
    const std::string other = dir_.Write("other.wav", WaveOf(4));
    audio_.ClearLog();
    EXPECT_EQ(player_->LoadSound(0, other), S_OK);
    ASSERT_EQ(audio_.calls.size(), 2u);
    EXPECT_EQ(audio_.calls[0], "DestroyVoice(SourceVoice#3)");
    EXPECT_EQ(audio_.voicesDestroyedAfterTheirData, 0);
    EXPECT_EQ(player_->Sounds()[0].size, SamplesOf(4).size());
    EXPECT_EQ(player_->Sounds()[0].name, "DrumBass.wav");
    EXPECT_EQ(audio_.Live("SourceVoice"), 5);
}

}  // namespace
