#pragma once

// An audio platform for tests: it records every operation in order, counts the engines and
// voices alive, fails chosen operations, and notices a voice destroyed after the bytes it plays
// were freed or overwritten.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "audio/Platform.h"

namespace fake {

class FakeAudio : public audio::Platform {
  public:
    FakeAudio();
    ~FakeAudio() override;

    // Makes operation `op` ("CreateEngine", "Initialize", "CreateMasteringVoice",
    // "CreateSourceVoice", "Stop", "FlushSourceBuffers", "SubmitSourceBuffer", "Start") return
    // `code`: on every call when occurrence is 0, otherwise only on its occurrence-th call.
    void Fail(std::string op, int occurrence = 0, HRESULT code = E_FAIL);

    // The log: "Name(arguments)" per operation, " -> Kind#id" for what it made, " -> failed".
    std::vector<std::string> calls;
    std::vector<std::string> CallsOf(std::string_view op) const;
    int CountOf(std::string_view op) const;
    void ClearLog() { calls.clear(); }

    // "Engine", "MasteringVoice" or "SourceVoice".
    int Live(std::string_view kind) const;

    // What each successful CreateSourceVoice was given: the record with its extra bytes.
    std::vector<std::vector<std::uint8_t>> sourceFormats;
    std::vector<audio::Buffer> submittedBuffers;
    // Voices whose sound bytes had changed (freed, then reused) when they were destroyed.
    int voicesDestroyedAfterTheirData = 0;

    // What ServerAddress answers for the engine's class; other classes get null.
    const void* serverAddress = nullptr;

    HRESULT CreateEngine(audio::Ref<audio::Engine>* engine) override;
    const void* ServerAddress(const audio::ClassId& classId) override;

    // Used by the fake objects.
    HRESULT Check(std::string_view op);
    void Log(std::string entry) { calls.push_back(std::move(entry)); }
    std::string Register(std::string_view kind);
    void Unregister(std::string_view kind);

  private:
    struct Rule {
        std::string op;
        int occurrence;
        HRESULT code;
    };
    std::vector<Rule> rules_;
    std::map<std::string, int, std::less<>> seen_;
    std::map<std::string, int, std::less<>> live_;
    int nextId_ = 1;
};

}  // namespace fake
