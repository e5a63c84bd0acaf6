#pragma once

#include "gpu/Text.h"

namespace qtext {

class Brush final : public gpu::Brush {
  public:
    explicit Brush(const gpu::ColorF& color) : color_(color) {}
    const gpu::ColorF& color() const { return color_; }

  private:
    gpu::ColorF color_;
};

}  // namespace qtext
