#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "gpu/Text.h"
#include "render/text/GlyphCache.h"
#include "render/text/PageLayout.h"
#include "render/text/PagePool.h"
#include "render/text/Typesetter.h"

namespace qtext {

// Draws into a texture surface through a CPU image: what is drawn between BeginDraw and EndDraw
// is recorded, put together in the image when EndDraw comes, and uploaded whole into the
// surface. The image's texels are B8G8R8A8; a clear stores the colour with its alpha, and text
// blends the brush colour over what is there by its coverage while its coverage goes into alpha
// (the colour is treated as opaque, the alpha is kept for the shader).
//
// Text is grey-scale antialiased whatever the antialias mode asks (ClearType's subpixel colours
// would mean nothing on a texture seen at every angle), or not antialiased when it asks for
// aliased text.
//
// Drawing a page costs little after the first time: glyphs come from the glyph cache, only what
// the last page inked is cleared again, and the last pages drawn are kept as whole images, so
// that the few pages a frame shows are redrawn by uploading the image kept for them.
class TextTarget final : public gpu::TextTarget {
  public:
    // Page images come from `pool` and go back to it with the target.
    TextTarget(gpu::Ref<gpu::Surface> surface, float dpiX, float dpiY,
               std::shared_ptr<GlyphCache> glyphs, std::size_t pageCapacity,
               std::shared_ptr<PagePool> pool);
    ~TextTarget() override;
    TextTarget(const TextTarget&) = delete;
    TextTarget& operator=(const TextTarget&) = delete;

    void SetTextAntialiasMode(gpu::TextAntialiasMode mode) override { antialias_ = mode; }
    HRESULT CreateSolidColorBrush(const gpu::ColorF& color, gpu::Ref<gpu::Brush>* brush) override;
    gpu::SizeF GetSize() const override;
    void BeginDraw() override;
    void SetTransform(const gpu::Matrix3x2F& transform) override { transform_ = transform; }
    void Clear(const gpu::ColorF& color) override;
    void DrawText(std::u16string_view text, gpu::TextFormat* format, const gpu::RectF& layoutRect,
                  gpu::Brush* brush, std::uint32_t options,
                  gpu::MeasuringMode measuringMode) override;
    // The result of everything since BeginDraw: a drawing call made outside BeginDraw and
    // EndDraw or with objects of another implementation fails it, as does the upload.
    HRESULT EndDraw() override;

    // The picture EndDraw last uploaded, width x height texels, rows top first; null before.
    const std::uint32_t* pixels() const;
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::size_t pagesComposed() const { return composed_; }

  private:
    struct TextCommand {
        // Lays the text out when the page is put together; a kept page needs no layout.
        std::shared_ptr<Typesetter> typesetter;
        std::uint64_t format = 0;
        std::u16string text;
        gpu::RectF rect;
        std::uint32_t brush = 0;
        gpu::Matrix3x2F transform;
        bool antialiased = true;
        bool operator==(const TextCommand& other) const {
            return format == other.format && text == other.text && rect == other.rect &&
                   brush == other.brush && transform == other.transform &&
                   antialiased == other.antialiased;
        }
    };
    // A clear (its texel) or a text.
    using Command = std::variant<std::uint32_t, TextCommand>;
    struct Rect {
        int x0, y0, x1, y1;
    };
    // A glyph drawn on a page: where its mask lies (its top-left corner), the part of it
    // within the page, and the mask, kept so that a clear can undo exactly the texels it inked.
    struct Inked {
        Rect clip;
        int left;
        int top;
        std::shared_ptr<const GlyphMask> mask;
    };
    struct Page {
        // What the image holds: these commands drawn from a clear, when keyed.
        std::vector<Command> commands;
        bool keyed = false;
        std::vector<std::uint32_t> pixels;
        // Names these pixels to the surface, anew each time they are drawn: unique in the process.
        std::uint64_t serial = 0;
        // When known, every texel that no glyph in `inked` covered holds `uniform`.
        bool uniformKnown = false;
        std::uint32_t uniform = 0;
        std::vector<Inked> inked;
    };

    void Fail(HRESULT hr);
    void Compose(const std::vector<Command>& commands, Page& page) const;
    void ClearPage(std::uint32_t texel, Page& page) const;
    void DrawTextCommand(const TextCommand& command, Page& page) const;
    void Blit(std::shared_ptr<const GlyphMask> mask, int x, int y, std::uint32_t brush,
              const std::uint32_t* table, Page& page) const;

    gpu::Ref<gpu::Surface> surface_;
    std::uint32_t width_;
    std::uint32_t height_;
    float dpiX_;
    float dpiY_;
    std::shared_ptr<GlyphCache> glyphs_;
    std::size_t capacity_;
    std::shared_ptr<PagePool> pool_;
    gpu::TextAntialiasMode antialias_ = gpu::TextAntialiasMode::Default;
    gpu::Matrix3x2F transform_;
    bool drawing_ = false;
    HRESULT error_ = S_OK;
    std::vector<Command> commands_;
    // Most recently used first; at least one image, at most capacity_ when that is larger.
    std::list<Page> pages_;
    const Page* current_ = nullptr;
    std::size_t composed_ = 0;
};

}  // namespace qtext
