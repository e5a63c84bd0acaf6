#include "audio/DrumPlayer.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "audio/MessageBox.h"
#include "audio/WaveFile.h"
#include "base/ModuleDirectory.h"
#include "base/Translatable.h"

namespace {
unsigned Hex(HRESULT hr) {
    return static_cast<unsigned>(hr);
}
}  // namespace

DrumPlayer::DrumPlayer() {
    audio::Platform* platform = audio::GetPlatform();
    audio::Ref<audio::Engine> engine;
    // Without an installed platform there is no engine to create, as when COM is not there.
    HRESULT hr = platform != nullptr ? platform->CreateEngine(&engine) : CO_E_NOTINITIALIZED;
    if (FAILED(hr) || !engine) {
        audio::ShowMessageBox(SELVANE_TRANSLATE_NOOP("Selvane", "Failed to init XAudio2 engine"));
        return;
    }
    hr = engine->Initialize(0, audio::kDefaultProcessor);
    if (FAILED(hr)) {
        engine.reset();
        audio::ShowMessageBox(SELVANE_TRANSLATE_NOOP("Selvane", "Failed to init XAudio2 engine"));
        return;
    }
    engine_ = std::move(engine);

    hr = engine_->CreateMasteringVoice(&masteringVoice_, 0, 0, 0, 0);
    if (FAILED(hr) || !masteringVoice_) {
        masteringVoice_.reset();
        audio::ShowMessageBox(SELVANE_TRANSLATE_NOOP("Selvane", "Failed creating mastering voice"));
        engine_.reset();
        return;
    }

    sounds_.resize(kSoundNames.size());
    for (std::size_t i = 0; i < kSoundNames.size(); ++i) {
        sounds_[i].name = kSoundNames[i];
        // The directory ends with a separator already; the doubled one is harmless.
        const std::string path = GetModuleDirectory() + "/Sounds/" + sounds_[i].name;
        // A sound that fails stays in the list without a voice; the others load as usual.
        LoadSound(static_cast<std::int32_t>(i), path);
    }
}

DrumPlayer::~DrumPlayer() {
    for (DrumSound& sound : sounds_) {
        sound.voice.reset();
        sound.data.reset();
    }
    masteringVoice_.reset();
    engine_.reset();
    sounds_.clear();
}

HRESULT DrumPlayer::LoadSound(std::int32_t index, const std::string& path) {
    if (!InList(index) || !engine_) {
        return E_FAIL;
    }
    DrumSound& sound = sounds_[static_cast<std::size_t>(index)];
    // Loading again replaces the sound: its old voice goes before its old data.
    sound.voice.reset();
    sound.data.reset();
    sound.size = 0;

    WaveFile reader;
    HRESULT hr = reader.Open(path.c_str());
    if (FAILED(hr)) {
        std::printf("Failed reading WAV file: %#X (%s)\n", Hex(hr), path.c_str());
        reader.Close();
        return hr;
    }

    sound.format = WaveFormatRecord::CopyOf(reader.Format());
    sound.size = reader.DataSize();
    if (!sound.format) {
        hr = E_OUTOFMEMORY;
    } else if (reader.AvailableDataSize() < sound.size) {
        // The one read of the whole chunk would run past the end of the file and fail; it
        // fails here instead, before memory is taken for what the file merely claims.
        hr = E_FAIL;
    } else {
        sound.data.reset(new (std::nothrow) std::uint8_t[sound.size]);
        if (!sound.data) {
            hr = E_OUTOFMEMORY;
        } else {
            std::uint32_t read = 0;
            hr = reader.Read(sound.data.get(), sound.size, &read);
            sound.size = read;
        }
    }
    if (FAILED(hr)) {
        std::printf("Failed to read WAV data: %#X\n", Hex(hr));
        sound.data.reset();
        sound.size = 0;
        reader.Close();
        return hr;
    }

    hr = engine_->CreateSourceVoice(&sound.voice, *sound.format.get(), 0,
                                    audio::kDefaultFrequencyRatio, {sound.data.get(), sound.size});
    if (FAILED(hr)) {
        std::printf("Error %#X creating source voice\n", Hex(hr));
        sound.voice.reset();
        sound.data.reset();
        sound.size = 0;
    }
    reader.Close();
    return hr;
}

HRESULT DrumPlayer::Stop(std::int32_t index) {
    if (!InList(index) || !sounds_[static_cast<std::size_t>(index)].voice) {
        return E_FAIL;
    }
    DrumSound& sound = sounds_[static_cast<std::size_t>(index)];
    sound.voice->Stop(0, audio::kCommitNow);
    sound.voice->FlushSourceBuffers();

    audio::Buffer buffer;
    buffer.flags = audio::kEndOfStream;
    buffer.audioBytes = sound.size;
    buffer.audioData = sound.data.get();
    const HRESULT hr = sound.voice->SubmitSourceBuffer(buffer);
    if (FAILED(hr)) {
        std::printf("Error %#X submitting source buffer\n", Hex(hr));
        sound.voice.reset();
        sound.data.reset();
        sound.size = 0;
    }
    return hr;
}

HRESULT DrumPlayer::Play(std::int32_t index) {
    if (!engine_) {
        return E_FAIL;
    }
    if (!InList(index)) {
        return S_OK;
    }
    DrumSound& sound = sounds_[static_cast<std::size_t>(index)];
    if (!sound.voice) {
        return E_FAIL;
    }
    if (resting_) {
        // The engine mixes again before the voice starts, so the strike is heard from its start.
        if (const HRESULT hr = engine_->StartEngine(); FAILED(hr)) {
            return hr;
        }
        resting_ = false;
    }
    const HRESULT stopped = Stop(index);
    // A failed submission has destroyed the voice: there is nothing left to start.
    if (!sound.voice) {
        return stopped;
    }
    return sound.voice->Start(0, audio::kCommitNow);
}

void DrumPlayer::Rest() {
    if (engine_ && !resting_) {
        engine_->StopEngine();
        resting_ = true;
    }
}

std::uint32_t DrumPlayer::LongestMilliseconds() const {
    std::uint64_t longest = 0;
    for (const DrumSound& sound : sounds_) {
        if (sound.voice && sound.format && sound.format.get()->avgBytesPerSec != 0) {
            longest = std::max<std::uint64_t>(longest, (std::uint64_t{sound.size} * 1000 +
                                                        sound.format.get()->avgBytesPerSec - 1) /
                                                           sound.format.get()->avgBytesPerSec);
        }
    }
    return static_cast<std::uint32_t>(longest);
}
