#pragma once

#include <memory>

#include "render/gl/Context.h"
#include "render/gl/Formats.h"

namespace gl {

// One texture: its GL object and description, shared by the texture, its views and surfaces,
// the swap chain (for a back buffer) and the pipeline bindings.
struct TextureStorage {
    // Creates the GL texture and fills level 0 from `pixels` (rows of `pitch` bytes) or leaves
    // it undefined. A swap chain's back buffer is stored in RGBA order, as the framebuffers it
    // is presented into are: the blit is then a copy, not a swizzle five times as slow.
    static HRESULT Create(const std::shared_ptr<Context>& context, const gpu::Texture2DDesc& desc,
                          const void* pixels, std::uint32_t pitch,
                          std::shared_ptr<TextureStorage>* storage, bool backBuffer = false);
    TextureStorage(std::shared_ptr<Context> context, const gpu::Texture2DDesc& desc);
    ~TextureStorage();
    TextureStorage(const TextureStorage&) = delete;
    TextureStorage& operator=(const TextureStorage&) = delete;

    // Gives level 0 a new size (its contents undefined), as a back buffer's resize does.
    HRESULT Resize(std::uint32_t width, std::uint32_t height);
    // Replaces the whole of level 0.
    HRESULT Write(const void* pixels, std::uint32_t pitch);

    const std::shared_ptr<Context> context;
    const std::uint32_t id;
    gpu::Texture2DDesc desc;
    GLuint name = 0;
    // For a back buffer: whether what it holds is what the last Present showed.
    bool backBuffer = false;
    bool presented = false;

  private:
    // The format level 0 is allocated in and the layout given with it.
    TextureFormat Allocation() const;
};

}  // namespace gl
