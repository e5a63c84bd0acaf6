#pragma once

#include <cstdint>
#include <memory>
#include <vector>

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
    // Replaces it with the image `key` names (gpu::Surface::WriteKeyedPixels). The last
    // kKeptImages images written so are kept, each in a GL texture of its own, and `name` turns
    // to the one holding the image asked for: an image already kept is not written again. On
    // llvmpipe this also spares the frame a flush: writing a texture that draws still queued
    // will sample first makes the driver rasterise everything queued before it.
    HRESULT WriteKeyed(const void* pixels, std::uint32_t pitch, std::uint64_t key);

    // The pages a frame shows and one more.
    static constexpr std::size_t kKeptImages = 8;

    const std::shared_ptr<Context> context;
    const std::uint32_t id;
    gpu::Texture2DDesc desc;
    GLuint name = 0;
    // For a back buffer: whether what it holds is what the last Present showed.
    bool backBuffer = false;
    bool presented = false;

    // The GL textures holding kept images, `name` among them; empty until the first keyed write.
    std::size_t keptCount() const { return kept_.size(); }

  private:
    struct Kept {
        GLuint name = 0;
        std::uint64_t key = 0;
        std::uint64_t lastUse = 0;
    };

    // The format level 0 is allocated in and the layout given with it.
    TextureFormat Allocation() const;
    // Sets the parameters every texture of this storage has and allocates level 0, undefined.
    void Define(GLuint texture) const;
    HRESULT Upload(GLuint texture, const void* pixels, std::uint32_t pitch);
    void ForgetKeptImages();

    std::vector<Kept> kept_;
    std::uint64_t uses_ = 0;
};

}  // namespace gl
