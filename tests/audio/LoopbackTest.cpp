// The drum player and the audio layer on real OpenAL Soft, through its loopback device: mixing
// happens only when a test renders, with no sound hardware and no real time.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "audio/DrumPlayer.h"
#include "audio/MessageBox.h"
#include "audio/al/Platform.h"
#include "base/ModuleDirectory.h"
#include "tests/audio/RiffBuilder.h"

namespace {

using testing_audio::Bytes;

float Peak(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (const float s : samples) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

float MaxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    float most = 0.0f;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        most = std::max(most, std::fabs(a[i] - b[i]));
    }
    return most;
}

class LoopbackTest : public ::testing::Test {
  protected:
    void SetUp() override { audio::SetPlatform(&platform_); }
    void TearDown() override { audio::SetPlatform(nullptr); }

    std::vector<float> Render(std::uint32_t frames) {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2, 99.0f);
        EXPECT_TRUE(platform_.Render(out.data(), frames));
        return out;
    }

    audio::al::Platform platform_{{.loopback = true}};
};

// --- the drum player ---------------------------------------------------------------------

class LoopbackDrumsTest : public LoopbackTest {
  protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
        audio::SetMessageBoxHandler([this](std::string_view text) { boxes_.emplace_back(text); });
        testing::internal::CaptureStdout();
        player_ = std::make_unique<DrumPlayer>();
        output_ = testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        player_.reset();
        SetModuleDirectoryForTesting("");
        audio::SetMessageBoxHandler({});
        LoopbackTest::TearDown();
    }

    std::vector<std::string> boxes_;
    std::string output_;
    std::unique_ptr<DrumPlayer> player_;
};

TEST_F(LoopbackDrumsTest, AllFiveLoadAndNothingSoundsUntilADrumIsPlayed) {
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(output_, "");
    ASSERT_EQ(player_->Sounds().size(), 5u);
    for (const DrumSound& sound : player_->Sounds()) {
        EXPECT_NE(sound.voice, nullptr) << sound.name;
    }
    EXPECT_EQ(Peak(Render(4410)), 0.0f);
    // Stopping queues the sound but does not start it.
    EXPECT_EQ(player_->Stop(0), S_OK);
    EXPECT_EQ(Peak(Render(4410)), 0.0f);
}

TEST_F(LoopbackDrumsTest, EveryDrumSoundsWhenPlayedAndFallsSilentWhenStopped) {
    for (std::int32_t i = 0; i < 5; ++i) {
        ASSERT_EQ(player_->Play(i), S_OK) << i;
        EXPECT_GT(Peak(Render(4410)), 0.05f) << player_->Sounds()[i].name;
        EXPECT_EQ(player_->Stop(i), S_OK);
        EXPECT_EQ(Peak(Render(1024)), 0.0f) << player_->Sounds()[i].name;
    }
}

TEST_F(LoopbackDrumsTest, PlayingAgainWhileItSoundsRestartsFromTheFirstSample) {
    ASSERT_EQ(player_->Play(3), S_OK);
    const std::vector<float> first = Render(2048);
    const std::vector<float> later = Render(2048);
    ASSERT_GT(Peak(later), 0.01f) << "the snare is still sounding";
    ASSERT_EQ(player_->Play(3), S_OK);
    const std::vector<float> again = Render(2048);
    EXPECT_LT(MaxDifference(again, first), 1e-6f);
    EXPECT_GT(MaxDifference(again, later), 0.01f);
}

TEST_F(LoopbackDrumsTest, TwoDifferentDrumsMixIntoTheirSum) {
    ASSERT_EQ(player_->Play(0), S_OK);
    const std::vector<float> bass = Render(4096);
    player_->Stop(0);
    ASSERT_EQ(player_->Play(2), S_OK);
    const std::vector<float> hat = Render(4096);
    player_->Stop(2);

    ASSERT_EQ(player_->Play(0), S_OK);
    ASSERT_EQ(player_->Play(2), S_OK);
    const std::vector<float> both = Render(4096);
    std::vector<float> sum(bass.size());
    for (std::size_t i = 0; i < sum.size(); ++i) {
        sum[i] = bass[i] + hat[i];
    }
    EXPECT_LT(MaxDifference(both, sum), 1e-4f);
    EXPECT_GT(MaxDifference(both, bass), 0.05f);
    EXPECT_GT(MaxDifference(both, hat), 0.05f);
}

TEST_F(LoopbackDrumsTest, WheelTurnsLikeTheViewsStopTheLastDrumAndStartTheNext) {
    // Stop the current drum, start a chosen one: every start is heard, none piles up.
    std::int32_t current = 0;
    for (const std::int32_t next : {3, 3, 1, 4, 0, 2, 2}) {
        player_->Stop(current);
        current = next;
        ASSERT_EQ(player_->Play(current), S_OK);
        EXPECT_GT(Peak(Render(2048)), 0.05f) << next;
    }
}

// --- the layer's voices ------------------------------------------------------------------

class LoopbackVoiceTest : public LoopbackTest {
  protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        ASSERT_EQ(platform_.CreateEngine(&engine_), S_OK);
        ASSERT_EQ(engine_->Initialize(0, audio::kDefaultProcessor), S_OK);
        ASSERT_EQ(engine_->CreateMasteringVoice(&master_, 0, 0, 0, 0), S_OK);
        // A steady tone, so that any two stretches of output can be compared by position.
        for (int i = 0; i < kFrames; ++i) {
            const auto v = static_cast<std::int16_t>(8000 * std::sin(i * 0.07) + 3000);
            testing_audio::Put16(sound_, static_cast<std::uint16_t>(v));
        }
    }
    void TearDown() override {
        voice_.reset();
        master_.reset();
        engine_.reset();
        LoopbackTest::TearDown();
    }

    HRESULT MakeVoice() {
        format_ = {1, 1, 44100, 88200, 2, 16, 0};
        return engine_->CreateSourceVoice(&voice_, format_, 0, audio::kDefaultFrequencyRatio,
                                          sound_);
    }
    audio::Buffer Whole() const {
        audio::Buffer b;
        b.flags = audio::kEndOfStream;
        b.audioBytes = static_cast<std::uint32_t>(sound_.size());
        b.audioData = sound_.data();
        return b;
    }
    std::uint32_t Queued() const {
        audio::VoiceState state;
        voice_->GetState(&state);
        return state.buffersQueued;
    }

    static constexpr int kFrames = 6000;
    audio::Ref<audio::Engine> engine_;
    audio::Ref<audio::MasteringVoice> master_;
    audio::Ref<audio::SourceVoice> voice_;
    WAVEFORMATEX format_{};
    Bytes sound_;
};

TEST_F(LoopbackVoiceTest, StopKeepsThePositionAndStartGoesOnFromIt) {
    ASSERT_EQ(MakeVoice(), S_OK);
    ASSERT_EQ(voice_->SubmitSourceBuffer(Whole()), S_OK);
    ASSERT_EQ(voice_->Start(0, audio::kCommitNow), S_OK);
    const std::vector<float> whole = Render(2000);
    // The same buffer from its start again, this time with a pause in the middle.
    voice_->Stop(0, audio::kCommitNow);
    voice_->FlushSourceBuffers();
    voice_->SubmitSourceBuffer(Whole());
    voice_->Start(0, audio::kCommitNow);
    const std::vector<float> before = Render(1000);
    voice_->Stop(0, audio::kCommitNow);
    EXPECT_EQ(Peak(Render(500)), 0.0f);
    EXPECT_EQ(Queued(), 1u);
    voice_->Start(0, audio::kCommitNow);
    const std::vector<float> after = Render(1000);
    std::vector<float> joined = before;
    joined.insert(joined.end(), after.begin(), after.end());
    EXPECT_LT(MaxDifference(joined, whole), 1e-6f);
}

TEST_F(LoopbackVoiceTest, ABufferPlayedToItsEndLeavesTheQueueEmpty) {
    ASSERT_EQ(MakeVoice(), S_OK);
    ASSERT_EQ(voice_->SubmitSourceBuffer(Whole()), S_OK);
    EXPECT_EQ(Queued(), 1u);
    ASSERT_EQ(voice_->Start(0, audio::kCommitNow), S_OK);
    Render(kFrames + 1000);
    EXPECT_EQ(Queued(), 0u);
    // Started with nothing queued, the voice plays nothing ...
    voice_->Start(0, audio::kCommitNow);
    EXPECT_EQ(Peak(Render(1000)), 0.0f);
    // ... until a buffer arrives, which it plays at once.
    ASSERT_EQ(voice_->SubmitSourceBuffer(Whole()), S_OK);
    EXPECT_GT(Peak(Render(1000)), 0.05f);
}

TEST_F(LoopbackVoiceTest, FlushOfAPlayingVoiceKeepsWhatItPlays) {
    ASSERT_EQ(MakeVoice(), S_OK);
    voice_->SubmitSourceBuffer(Whole());
    voice_->Start(0, audio::kCommitNow);
    Render(1000);
    EXPECT_EQ(voice_->FlushSourceBuffers(), S_OK);
    EXPECT_EQ(Queued(), 1u);
    EXPECT_GT(Peak(Render(1000)), 0.05f);
}

TEST_F(LoopbackVoiceTest, SubmissionsOtherThanTheVoicesOwnSoundAreRefused) {
    ASSERT_EQ(MakeVoice(), S_OK);
    audio::Buffer other = Whole();
    const Bytes copy = sound_;
    other.audioData = copy.data();
    EXPECT_EQ(voice_->SubmitSourceBuffer(other), audio::kErrorInvalidCall);
    audio::Buffer part = Whole();
    part.audioBytes -= 2;
    EXPECT_EQ(voice_->SubmitSourceBuffer(part), audio::kErrorInvalidCall);
    audio::Buffer looped = Whole();
    looped.loopCount = 1;
    EXPECT_EQ(voice_->SubmitSourceBuffer(looped), audio::kErrorInvalidCall);
    EXPECT_EQ(Queued(), 0u);
    // One buffer at a time: a second one waits for a flush.
    EXPECT_EQ(voice_->SubmitSourceBuffer(Whole()), S_OK);
    EXPECT_EQ(voice_->SubmitSourceBuffer(Whole()), audio::kErrorInvalidCall);
    voice_->FlushSourceBuffers();
    EXPECT_EQ(voice_->SubmitSourceBuffer(Whole()), S_OK);
}

TEST_F(LoopbackVoiceTest, SoundWithAPartialLastFrameCannotBeSubmitted) {
    sound_.push_back(0x12);
    ASSERT_EQ(MakeVoice(), S_OK);
    EXPECT_EQ(voice_->SubmitSourceBuffer(Whole()), audio::kErrorInvalidCall);
}

TEST_F(LoopbackVoiceTest, FormatsOpenAlCannotPlayMakeNoVoice) {
    const WAVEFORMATEX pcm24{1, 1, 44100, 132300, 3, 24, 0};
    EXPECT_LT(engine_->CreateSourceVoice(&voice_, pcm24, 0, 2.0f, sound_), 0);
    const WAVEFORMATEX surround{1, 6, 44100, 529200, 12, 16, 0};
    EXPECT_LT(engine_->CreateSourceVoice(&voice_, surround, 0, 2.0f, sound_), 0);
    EXPECT_EQ(voice_, nullptr);
    const WAVEFORMATEX float32{3, 1, 44100, 176400, 4, 32, 0};
    EXPECT_EQ(engine_->CreateSourceVoice(&voice_, float32, 0, 2.0f, sound_), S_OK);
}

TEST_F(LoopbackVoiceTest, EngineCallsOutOfOrderAreRefused) {
    EXPECT_EQ(engine_->Initialize(0, audio::kDefaultProcessor), audio::kErrorInvalidCall);
    audio::Ref<audio::MasteringVoice> second;
    EXPECT_EQ(engine_->CreateMasteringVoice(&second, 0, 0, 0, 0), audio::kErrorInvalidCall);
    EXPECT_EQ(engine_->CreateMasteringVoice(&second, 0, 0, 0, 1), E_INVALIDARG);

    audio::Ref<audio::Engine> fresh;
    ASSERT_EQ(platform_.CreateEngine(&fresh), S_OK);
    EXPECT_EQ(fresh->CreateMasteringVoice(&second, 0, 0, 0, 0), audio::kErrorInvalidCall);
    EXPECT_EQ(fresh->CreateSourceVoice(&voice_, WAVEFORMATEX{1, 1, 44100, 88200, 2, 16, 0}, 0, 2.0f,
                                       sound_),
              audio::kErrorInvalidCall);
}

TEST_F(LoopbackVoiceTest, VoiceLeftAfterItsMasteringVoiceStillWorksAndGoesQuietly) {
    ASSERT_EQ(MakeVoice(), S_OK);
    master_.reset();
    engine_.reset();
    EXPECT_EQ(voice_->SubmitSourceBuffer(Whole()), S_OK);
    EXPECT_EQ(voice_->Start(0, audio::kCommitNow), S_OK);
    EXPECT_GT(Peak(Render(1000)), 0.05f);
    voice_.reset();
    EXPECT_FALSE(platform_.Render(std::vector<float>(2000).data(), 1000));
}

TEST_F(LoopbackVoiceTest, DestroyedVoiceFallsSilentAtOnce) {
    ASSERT_EQ(MakeVoice(), S_OK);
    voice_->SubmitSourceBuffer(Whole());
    voice_->Start(0, audio::kCommitNow);
    EXPECT_GT(Peak(Render(500)), 0.05f);
    voice_.reset();
    EXPECT_EQ(Peak(Render(500)), 0.0f);
}

}  // namespace
