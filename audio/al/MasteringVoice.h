#pragma once

#include <memory>

#include "audio/Platform.h"
#include "audio/al/Context.h"

namespace audio::al {

// The output voice is the context itself: destroying it releases the context.
class MasteringVoice : public audio::MasteringVoice {
  public:
    explicit MasteringVoice(std::shared_ptr<Context> context) : context_(std::move(context)) {}

  private:
    std::shared_ptr<Context> context_;
};

}  // namespace audio::al
