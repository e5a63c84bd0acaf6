#include "audio/al/SourceVoice.h"

#include <climits>

#include "audio/al/SourceFormat.h"

namespace audio::al {

namespace {

constexpr float kMinFrequencyRatio = 1.0f / 1024.0f;
constexpr float kMaxFrequencyRatio = 1024.0f;

HRESULT ResultOf(ALenum error) {
    switch (error) {
        case AL_NO_ERROR:
            return S_OK;
        case AL_OUT_OF_MEMORY:
            return E_OUTOFMEMORY;
        default:
            return E_FAIL;
    }
}

}  // namespace

HRESULT SourceVoice::Create(std::shared_ptr<Context> context, const WAVEFORMATEX& format,
                            float maxFrequencyRatio, std::span<const std::uint8_t> sound,
                            Ref<audio::SourceVoice>* voice) {
    if (voice == nullptr) {
        return E_INVALIDARG;
    }
    const ALenum bufferFormat = BufferFormatOf(format, context->float32());
    if (bufferFormat == 0 || !(maxFrequencyRatio >= kMinFrequencyRatio) ||
        maxFrequencyRatio > kMaxFrequencyRatio || sound.size() > INT_MAX) {
        return E_INVALIDARG;
    }
    if (!context->MakeCurrent()) {
        return E_FAIL;
    }
    alGetError();

    std::unique_ptr<SourceVoice> made(
        new SourceVoice(std::move(context), sound, format.blockAlign));
    alGenSources(1, &made->source_);
    if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
        made->source_ = 0;
        return ResultOf(error);
    }
    alGenBuffers(1, &made->buffer_);
    if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
        made->buffer_ = 0;
        return ResultOf(error);
    }
    // Only whole frames can be played; a submission of a partial one is refused later.
    const std::size_t bytes = sound.size() - sound.size() % format.blockAlign;
    if (bytes > 0) {
        alBufferData(made->buffer_, bufferFormat, sound.data(), static_cast<ALsizei>(bytes),
                     static_cast<ALsizei>(format.samplesPerSec));
        alSourcei(made->source_, AL_BUFFER, static_cast<ALint>(made->buffer_));
    }
    // Drums are not placed in space: the source stays at the listener whatever it does.
    alSourcei(made->source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(made->source_, AL_ROLLOFF_FACTOR, 0.0f);
    if (const HRESULT hr = ResultOf(alGetError()); FAILED(hr)) {
        return hr;
    }
    *voice = std::move(made);
    return S_OK;
}

SourceVoice::~SourceVoice() {
    context_->DeleteVoiceObjects(source_, buffer_);
}

ALint SourceVoice::SourceState() const {
    ALint state = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state;
}

HRESULT SourceVoice::Start(std::uint32_t, std::uint32_t) {
    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    started_ = true;
    if (queued_) {
        const ALint state = SourceState();
        // A playing source goes on; a stopped one has played its buffer to the end and has
        // nothing left.
        if (state == AL_INITIAL || state == AL_PAUSED) {
            alSourcePlay(source_);
        }
    }
    return ResultOf(alGetError());
}

HRESULT SourceVoice::Stop(std::uint32_t, std::uint32_t) {
    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    started_ = false;
    if (SourceState() == AL_PLAYING) {
        alSourcePause(source_);
    }
    return ResultOf(alGetError());
}

HRESULT SourceVoice::FlushSourceBuffers() {
    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    // The buffer that is playing stays; with one buffer per voice nothing else can be queued.
    if (SourceState() != AL_PLAYING) {
        alSourceRewind(source_);
        queued_ = false;
    }
    return ResultOf(alGetError());
}

HRESULT SourceVoice::SubmitSourceBuffer(const Buffer& buffer) {
    if (buffer.audioData != sound_.data() || buffer.audioBytes != sound_.size() ||
        buffer.audioBytes == 0 || buffer.audioBytes % blockAlign_ != 0) {
        return kErrorInvalidCall;
    }
    if (buffer.playBegin != 0 || buffer.playLength != 0 || buffer.loopBegin != 0 ||
        buffer.loopLength != 0 || buffer.loopCount != 0) {
        return kErrorInvalidCall;
    }
    if ((buffer.flags & ~kEndOfStream) != 0) {
        return E_INVALIDARG;
    }
    if (!context_->MakeCurrent()) {
        return E_FAIL;
    }
    const ALint state = SourceState();
    if (queued_ && state != AL_STOPPED) {
        return kErrorInvalidCall;
    }
    if (state == AL_STOPPED) {
        alSourceRewind(source_);
    }
    queued_ = true;
    // A started voice whose queue ran empty plays what arrives at once.
    if (started_) {
        alSourcePlay(source_);
    }
    return ResultOf(alGetError());
}

void SourceVoice::GetState(VoiceState* state) const {
    if (state == nullptr || !context_->MakeCurrent()) {
        return;
    }
    const ALint sourceState = SourceState();
    state->buffersQueued = queued_ && sourceState != AL_STOPPED ? 1 : 0;
    ALint offset = 0;
    alGetSourcei(source_, AL_SAMPLE_OFFSET, &offset);
    state->samplePosition = state->buffersQueued != 0 ? static_cast<std::uint64_t>(offset) : 0;
}

}  // namespace audio::al
