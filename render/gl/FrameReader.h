#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "gpu/Device.h"
#include "render/gl/TextureStorage.h"

namespace gl {

// Presented frames read back through a ring of pixel-pack buffers: Queue has GL copy the back
// buffer into the next free buffer and returns at once, Take maps the oldest one, which waits
// only if GL has not finished that copy. Rows come as the back buffer holds them, R8G8B8A8
// bottom row first.
class FrameReader final : public gpu::FrameReader {
  public:
    FrameReader(std::shared_ptr<TextureStorage> backBuffer, std::uint32_t capacity);
    ~FrameReader() override;
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    HRESULT Queue() override;
    HRESULT Take(gpu::Picture* picture) override;
    std::uint32_t Queued() const override { return static_cast<std::uint32_t>(queued_.size()); }

  private:
    struct PackBuffer {
        GLuint name = 0;
        std::size_t size = 0;
    };
    struct Copy {
        std::size_t buffer = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
    };

    std::shared_ptr<TextureStorage> backBuffer_;
    std::vector<PackBuffer> buffers_;
    std::deque<Copy> queued_;
    std::size_t next_ = 0;
};

}  // namespace gl
