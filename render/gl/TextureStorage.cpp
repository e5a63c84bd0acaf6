#include "render/gl/TextureStorage.h"

#include <algorithm>
#include <iterator>

#include "render/gl/Formats.h"
#include "render/gl/LiveObjects.h"

namespace gl {

namespace {

// For the texture bound to unit 0.
void SetParameters(const Functions& gl) {
    // One level only: with the maximum level at 0 the texture is complete for every filter.
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

bool Writable(const gpu::Texture2DDesc& desc, const void* pixels, std::uint32_t pitch) {
    TextureFormat format;
    return pixels != nullptr && TextureFormatOf(desc.format, &format) && !format.depth &&
           pitch >= desc.width * format.bytesPerTexel && pitch % format.bytesPerTexel == 0;
}

}  // namespace

TextureStorage::TextureStorage(std::shared_ptr<Context> owner, const gpu::Texture2DDesc& d)
    : context(std::move(owner)), id(context->NewId()), desc(d) {}

TextureStorage::~TextureStorage() {
    ForgetKeptImages();
    if (name != 0 && context->MakeCurrent()) {
        context->gl().DeleteTextures(1, &name);
    }
    LiveObjects::Released(ObjectKind::Texture, name);
}

void TextureStorage::ForgetKeptImages() {
    // Every kept texture but the current one goes; `name` stays, as the storage's own.
    const bool current = context->MakeCurrent();
    for (const Kept& kept : kept_) {
        if (kept.name != name) {
            if (current) {
                context->gl().DeleteTextures(1, &kept.name);
            }
            LiveObjects::Released(ObjectKind::Texture, kept.name);
        }
    }
    kept_.clear();
}

void TextureStorage::Define(GLuint texture) const {
    const Functions& gl = context->gl();
    const TextureFormat allocation = Allocation();
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    SetParameters(gl);
    gl.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    gl.TexImage2D(GL_TEXTURE_2D, 0, allocation.internalFormat, static_cast<GLsizei>(desc.width),
                  static_cast<GLsizei>(desc.height), 0, allocation.format, allocation.type,
                  nullptr);
    gl.BindTexture(GL_TEXTURE_2D, 0);
}

HRESULT TextureStorage::Create(const std::shared_ptr<Context>& context,
                               const gpu::Texture2DDesc& desc, const void* pixels,
                               std::uint32_t pitch, std::shared_ptr<TextureStorage>* storage,
                               bool backBuffer) {
    TextureFormat format;
    if (!TextureFormatOf(desc.format, &format) || desc.width == 0 || desc.height == 0 ||
        desc.arraySize != 1 || desc.sampleDesc.count != 1 || desc.mipLevels > 1) {
        return E_INVALIDARG;
    }
    const auto limit = static_cast<std::uint32_t>(context->maxTextureSize());
    if (desc.width > limit || desc.height > limit) {
        return E_INVALIDARG;
    }
    const bool depthBinding = (desc.bindFlags & gpu::kBindDepthStencil) != 0;
    const bool colourBinding =
        (desc.bindFlags & (gpu::kBindRenderTarget | gpu::kBindShaderResource)) != 0;
    if ((depthBinding && !format.depth) || (colourBinding && format.depth)) {
        return E_INVALIDARG;
    }
    if (desc.usage == gpu::Usage::Immutable && pixels == nullptr) {
        return E_INVALIDARG;
    }
    if (pixels != nullptr && pitch < desc.width * format.bytesPerTexel) {
        return E_INVALIDARG;
    }
    if (!context->MakeCurrent()) {
        return E_FAIL;
    }
    auto made = std::make_shared<TextureStorage>(context, desc);
    made->desc.mipLevels = 1;
    made->backBuffer = backBuffer;
    const TextureFormat allocation = made->Allocation();
    const Functions& gl = context->gl();
    context->ClearErrors();
    gl.GenTextures(1, &made->name);
    LiveObjects::Held(ObjectKind::Texture, made->name);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, made->name);
    SetParameters(gl);
    gl.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH,
                   pixels != nullptr ? static_cast<GLint>(pitch / format.bytesPerTexel) : 0);
    // With pixels, the layout given is theirs; without, it only tells the driver what to expect.
    gl.TexImage2D(GL_TEXTURE_2D, 0, allocation.internalFormat, static_cast<GLsizei>(desc.width),
                  static_cast<GLsizei>(desc.height), 0,
                  pixels != nullptr ? format.format : allocation.format,
                  pixels != nullptr ? format.type : allocation.type, pixels);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    const HRESULT hr = context->TakeError();
    if (FAILED(hr)) {
        return hr;
    }
    *storage = std::move(made);
    return S_OK;
}

TextureFormat TextureStorage::Allocation() const {
    TextureFormat format;
    TextureFormatOf(desc.format, &format);
    if (backBuffer && !format.depth) {
        format.internalFormat = GL_RGBA8;
        format.format = GL_RGBA;
    }
    return format;
}

HRESULT TextureStorage::Resize(std::uint32_t width, std::uint32_t height) {
    TextureFormat format;
    if (!TextureFormatOf(desc.format, &format) || width == 0 || height == 0) {
        return E_INVALIDARG;
    }
    const auto limit = static_cast<std::uint32_t>(context->maxTextureSize());
    if (width > limit || height > limit) {
        return E_INVALIDARG;
    }
    if (!context->MakeCurrent()) {
        return E_FAIL;
    }
    // The kept images are of the old size.
    ForgetKeptImages();
    const Functions& gl = context->gl();
    context->ClearErrors();
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, name);
    gl.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    const TextureFormat allocation = Allocation();
    gl.TexImage2D(GL_TEXTURE_2D, 0, allocation.internalFormat, static_cast<GLsizei>(width),
                  static_cast<GLsizei>(height), 0, allocation.format, allocation.type, nullptr);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    const HRESULT hr = context->TakeError();
    if (SUCCEEDED(hr)) {
        desc.width = width;
        desc.height = height;
        presented = false;
    }
    return hr;
}

HRESULT TextureStorage::Write(const void* pixels, std::uint32_t pitch) {
    // What `name` holds from here on is no kept image.
    for (Kept& kept : kept_) {
        if (kept.name == name) {
            kept.key = 0;
        }
    }
    return Upload(name, pixels, pitch);
}

HRESULT TextureStorage::WriteKeyed(const void* pixels, std::uint32_t pitch, std::uint64_t key) {
    if (key == 0) {
        return Write(pixels, pitch);
    }
    if (!Writable(desc, pixels, pitch)) {
        return E_INVALIDARG;
    }
    for (Kept& kept : kept_) {
        if (kept.key == key) {
            kept.lastUse = ++uses_;
            name = kept.name;
            if (backBuffer) {
                presented = false;
            }
            return S_OK;
        }
    }
    if (kept_.empty()) {
        kept_.push_back({name, 0, 0});
    }
    // A texture that keeps nothing, else a new one while there is room, else the one least
    // recently asked for.
    auto target =
        std::find_if(kept_.begin(), kept_.end(), [](const Kept& kept) { return kept.key == 0; });
    if (target == kept_.end() && kept_.size() < kKeptImages) {
        if (!context->MakeCurrent()) {
            return E_FAIL;
        }
        GLuint made = 0;
        context->ClearErrors();
        context->gl().GenTextures(1, &made);
        LiveObjects::Held(ObjectKind::Texture, made);
        Define(made);
        if (const HRESULT hr = context->TakeError(); FAILED(hr)) {
            context->gl().DeleteTextures(1, &made);
            LiveObjects::Released(ObjectKind::Texture, made);
            return hr;
        }
        kept_.push_back({made, 0, 0});
        target = std::prev(kept_.end());
    } else if (target == kept_.end()) {
        target = std::min_element(kept_.begin(), kept_.end(), [](const Kept& a, const Kept& b) {
            return a.lastUse < b.lastUse;
        });
    }
    target->key = 0;
    target->lastUse = ++uses_;
    const HRESULT hr = Upload(target->name, pixels, pitch);
    name = target->name;
    if (SUCCEEDED(hr)) {
        target->key = key;
    }
    return hr;
}

HRESULT TextureStorage::Upload(GLuint texture, const void* pixels, std::uint32_t pitch) {
    if (!Writable(desc, pixels, pitch)) {
        return E_INVALIDARG;
    }
    TextureFormat format;
    TextureFormatOf(desc.format, &format);
    if (!context->MakeCurrent()) {
        return E_FAIL;
    }
    const Functions& gl = context->gl();
    context->ClearErrors();
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    gl.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / format.bytesPerTexel));
    gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(desc.width),
                     static_cast<GLsizei>(desc.height), format.format, format.type, pixels);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    if (backBuffer) {
        presented = false;
    }
    return context->TakeError();
}

}  // namespace gl
