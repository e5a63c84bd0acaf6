#include "tests/fakes/FakeAudio.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace fake {

namespace {

std::string Hex(std::uint32_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

class Named {
  public:
    Named(FakeAudio& audio, std::string_view kind)
        : audio_(audio), kind_(kind), name_(audio.Register(kind)) {}
    virtual ~Named() { audio_.Unregister(kind_); }
    const std::string& name() const { return name_; }

  protected:
    FakeAudio& audio_;

  private:
    std::string kind_;
    std::string name_;
};

// Logs `entry`, fails as told, or makes the object.
template <class T, class MakeObject>
HRESULT Make(FakeAudio& audio, std::string_view op, audio::Ref<T>* out, const std::string& entry,
             MakeObject&& make) {
    const HRESULT hr = audio.Check(op);
    if (FAILED(hr)) {
        audio.Log(entry + " -> failed");
        return hr;
    }
    if (out == nullptr) {
        audio.Log(entry + " -> no output");
        return E_INVALIDARG;
    }
    auto object = make();
    audio.Log(entry + " -> " + object->name());
    *out = std::move(object);
    return S_OK;
}

HRESULT Logged(FakeAudio& audio, std::string_view op, const std::string& entry) {
    const HRESULT hr = audio.Check(op);
    audio.Log(FAILED(hr) ? entry + " -> failed" : entry);
    return hr;
}

class FakeMasteringVoice : public audio::MasteringVoice, public Named {
  public:
    explicit FakeMasteringVoice(FakeAudio& audio) : Named(audio, "MasteringVoice") {}
    ~FakeMasteringVoice() override { audio_.Log("DestroyVoice(" + name() + ")"); }
};

class FakeSourceVoice : public audio::SourceVoice, public Named {
  public:
    FakeSourceVoice(FakeAudio& audio, std::span<const std::uint8_t> sound)
        : Named(audio, "SourceVoice"),
          sound_(sound),
          snapshot_(sound.begin(), sound.begin() + std::min<std::size_t>(sound.size(), 64)) {}

    ~FakeSourceVoice() override {
        // The player frees a sound's data only after its voice: the bytes must still be as they
        // were. Freed memory has the allocator's links written over its first bytes.
        const bool intact = snapshot_.empty() ||
                            std::memcmp(sound_.data(), snapshot_.data(), snapshot_.size()) == 0;
        if (!intact) {
            ++audio_.voicesDestroyedAfterTheirData;
        }
        audio_.Log("DestroyVoice(" + name() + ")" + (intact ? "" : " after its data"));
    }

    HRESULT Start(std::uint32_t flags, std::uint32_t operationSet) override {
        const HRESULT hr = Logged(audio_, "Start",
                                  "Start(" + name() + "," + std::to_string(flags) + "," +
                                      std::to_string(operationSet) + ")");
        if (SUCCEEDED(hr)) {
            started_ = true;
        }
        return hr;
    }
    HRESULT Stop(std::uint32_t flags, std::uint32_t operationSet) override {
        const HRESULT hr = Logged(audio_, "Stop",
                                  "Stop(" + name() + "," + std::to_string(flags) + "," +
                                      std::to_string(operationSet) + ")");
        if (SUCCEEDED(hr)) {
            started_ = false;
        }
        return hr;
    }
    HRESULT FlushSourceBuffers() override {
        const HRESULT hr =
            Logged(audio_, "FlushSourceBuffers", "FlushSourceBuffers(" + name() + ")");
        if (SUCCEEDED(hr)) {
            // A started voice keeps the buffer it is playing.
            queued_ = started_ ? std::min(queued_, 1u) : 0u;
        }
        return hr;
    }
    HRESULT SubmitSourceBuffer(const audio::Buffer& buffer) override {
        const bool own = buffer.audioData == sound_.data() && buffer.audioBytes == sound_.size();
        const HRESULT hr = Logged(audio_, "SubmitSourceBuffer",
                                  "SubmitSourceBuffer(" + name() + ",flags=" + Hex(buffer.flags) +
                                      ",bytes=" + std::to_string(buffer.audioBytes) +
                                      (own ? ",own" : ",foreign") + ")");
        if (SUCCEEDED(hr)) {
            ++queued_;
            audio_.submittedBuffers.push_back(buffer);
        }
        return hr;
    }
    void GetState(audio::VoiceState* state) const override {
        state->buffersQueued = queued_;
        state->samplePosition = 0;
    }

  private:
    std::span<const std::uint8_t> sound_;
    std::vector<std::uint8_t> snapshot_;
    std::uint32_t queued_ = 0;
    bool started_ = false;
};

class FakeEngine : public audio::Engine, public Named {
  public:
    explicit FakeEngine(FakeAudio& audio) : Named(audio, "Engine") {}
    ~FakeEngine() override { audio_.Log("Release(" + name() + ")"); }

    HRESULT Initialize(std::uint32_t flags, std::uint32_t processor) override {
        return Logged(
            audio_, "Initialize",
            "Initialize(" + name() + "," + std::to_string(flags) + "," + Hex(processor) + ")");
    }
    HRESULT CreateMasteringVoice(audio::Ref<audio::MasteringVoice>* voice,
                                 std::uint32_t inputChannels, std::uint32_t inputSampleRate,
                                 std::uint32_t flags, std::uint32_t deviceIndex) override {
        const std::string entry = "CreateMasteringVoice(" + name() + "," +
                                  std::to_string(inputChannels) + "," +
                                  std::to_string(inputSampleRate) + "," + std::to_string(flags) +
                                  "," + std::to_string(deviceIndex) + ")";
        return Make(audio_, "CreateMasteringVoice", voice, entry,
                    [&] { return std::make_unique<FakeMasteringVoice>(audio_); });
    }
    HRESULT CreateSourceVoice(audio::Ref<audio::SourceVoice>* voice, const WAVEFORMATEX& format,
                              std::uint32_t flags, float maxFrequencyRatio,
                              std::span<const std::uint8_t> sound) override {
        std::ostringstream entry;
        entry << "CreateSourceVoice(" << name() << ",tag=" << format.formatTag
              << ",extra=" << format.extraSize << ",flags=" << flags
              << ",ratio=" << maxFrequencyRatio << ",bytes=" << sound.size() << ")";
        const HRESULT hr = Make(audio_, "CreateSourceVoice", voice, entry.str(),
                                [&] { return std::make_unique<FakeSourceVoice>(audio_, sound); });
        if (SUCCEEDED(hr)) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&format);
            audio_.sourceFormats.emplace_back(bytes,
                                              bytes + sizeof(WAVEFORMATEX) + format.extraSize);
        }
        return hr;
    }
    void StopEngine() override { audio_.Log("StopEngine(" + name() + ")"); }
    HRESULT StartEngine() override {
        return Logged(audio_, "StartEngine", "StartEngine(" + name() + ")");
    }
};

}  // namespace

FakeAudio::FakeAudio() = default;
FakeAudio::~FakeAudio() = default;

void FakeAudio::Fail(std::string op, int occurrence, HRESULT code) {
    rules_.push_back({std::move(op), occurrence, code});
}

HRESULT FakeAudio::Check(std::string_view op) {
    const int n = ++seen_[std::string(op)];
    for (const Rule& rule : rules_) {
        if (rule.op == op && (rule.occurrence == 0 || rule.occurrence == n)) {
            return rule.code;
        }
    }
    return S_OK;
}

std::string FakeAudio::Register(std::string_view kind) {
    ++live_[std::string(kind)];
    return std::string(kind) + "#" + std::to_string(nextId_++);
}

void FakeAudio::Unregister(std::string_view kind) {
    --live_[std::string(kind)];
}

std::vector<std::string> FakeAudio::CallsOf(std::string_view op) const {
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        if (call.compare(0, call.find_first_of("( "), op) == 0) {
            out.push_back(call);
        }
    }
    return out;
}

int FakeAudio::CountOf(std::string_view op) const {
    return static_cast<int>(CallsOf(op).size());
}

int FakeAudio::Live(std::string_view kind) const {
    const auto it = live_.find(kind);
    return it != live_.end() ? it->second : 0;
}

HRESULT FakeAudio::CreateEngine(audio::Ref<audio::Engine>* engine) {
    return Make(*this, "CreateEngine", engine, "CreateEngine",
                [&] { return std::make_unique<FakeEngine>(*this); });
}

const void* FakeAudio::ServerAddress(const audio::ClassId& classId) {
    return classId == audio::kEngineClassId ? serverAddress : nullptr;
}

}  // namespace fake
