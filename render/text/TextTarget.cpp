#include "render/text/TextTarget.h"

#include <QTransform>

#include <bit>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "render/text/Brush.h"
#include "render/text/TextFormat.h"

namespace qtext {

// Texels are 32-bit words whose bytes must come out as B, G, R, A.
static_assert(std::endian::native == std::endian::little);

namespace {

// One counter for every target: a target made anew draws into the surface of the one before,
// whose kept images must not answer to its keys.
std::uint64_t NextSerial() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

// Beyond this many glyphs on a page that is never cleared, the page stops keeping track and the
// next clear fills it whole.
constexpr std::size_t kMaxInked = 256;

std::uint8_t Channel(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

// B8G8R8A8 in memory: blue in the low byte of the little-endian word, alpha in the high one.
std::uint32_t TexelOf(const gpu::ColorF& color) {
    return std::uint32_t{Channel(color.b)} | std::uint32_t{Channel(color.g)} << 8 |
           std::uint32_t{Channel(color.r)} << 16 | std::uint32_t{Channel(color.a)} << 24;
}

// The brush's colour over `texel` by weight k (coverage times the brush's alpha, 0 to 255);
// the weight also goes into alpha over what alpha was there.
std::uint32_t Blend(std::uint32_t texel, std::uint32_t brush, std::uint32_t k) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t d = (texel >> shift) & 0xFF;
        const std::uint32_t s = (brush >> shift) & 0xFF;
        out |= ((d * (255 - k) + s * k + 127) / 255) << shift;
    }
    const std::uint32_t a = texel >> 24;
    return out | ((a * (255 - k) + 255 * k + 127) / 255) << 24;
}

std::uint32_t Weight(std::uint8_t coverage, std::uint32_t brush) {
    return (std::uint32_t{coverage} * (brush >> 24) + 127) / 255;
}

// The page columns [x0, x1) of a mask row's ink within the clip; false when there is none.
template <class Rect>
bool InkedColumns(const GlyphMask& mask, const Rect& clip, int left, int maskRow, int* x0,
                  int* x1) {
    const auto& span = mask.spans[static_cast<std::size_t>(maskRow)];
    *x0 = std::max(clip.x0, left + span.first);
    *x1 = std::min(clip.x1, left + span.second);
    return *x0 < *x1;
}

bool Intersect(int ax0, int ay0, int ax1, int ay1, int bx0, int by0, int bx1, int by1) {
    return ax0 < bx1 && bx0 < ax1 && ay0 < by1 && by0 < ay1;
}

}  // namespace

TextTarget::TextTarget(gpu::Ref<gpu::Surface> surface, float dpiX, float dpiY,
                       std::shared_ptr<GlyphCache> glyphs, std::size_t pageCapacity,
                       std::shared_ptr<PagePool> pool)
    : surface_(std::move(surface)),
      width_(surface_->GetDesc().width),
      height_(surface_->GetDesc().height),
      dpiX_(dpiX),
      dpiY_(dpiY),
      glyphs_(std::move(glyphs)),
      capacity_(pageCapacity),
      pool_(std::move(pool)) {}

TextTarget::~TextTarget() {
    for (Page& page : pages_) {
        pool_->Give(std::move(page.pixels));
    }
}

HRESULT TextTarget::CreateSolidColorBrush(const gpu::ColorF& color, gpu::Ref<gpu::Brush>* brush) {
    if (brush == nullptr) {
        return E_INVALIDARG;
    }
    *brush = std::make_unique<Brush>(color);
    return S_OK;
}

gpu::SizeF TextTarget::GetSize() const {
    return {static_cast<float>(width_) * 96.0f / dpiX_,
            static_cast<float>(height_) * 96.0f / dpiY_};
}

const std::uint32_t* TextTarget::pixels() const {
    return current_ != nullptr ? current_->pixels.data() : nullptr;
}

void TextTarget::Fail(HRESULT hr) {
    if (SUCCEEDED(error_)) {
        error_ = hr;
    }
}

void TextTarget::BeginDraw() {
    if (drawing_) {
        Fail(E_FAIL);
        return;
    }
    drawing_ = true;
    commands_.clear();
}

void TextTarget::Clear(const gpu::ColorF& color) {
    if (!drawing_) {
        Fail(E_FAIL);
        return;
    }
    commands_.emplace_back(TexelOf(color));
}

void TextTarget::DrawText(std::u16string_view text, gpu::TextFormat* format,
                          const gpu::RectF& layoutRect, gpu::Brush* brush, std::uint32_t,
                          gpu::MeasuringMode) {
    auto* ownFormat = dynamic_cast<TextFormat*>(format);
    const auto* ownBrush = dynamic_cast<const Brush*>(brush);
    if (!drawing_) {
        Fail(E_FAIL);
        return;
    }
    if (ownFormat == nullptr || ownBrush == nullptr) {
        Fail(E_INVALIDARG);
        return;
    }
    TextCommand command;
    command.typesetter = ownFormat->typesetter();
    command.format = command.typesetter->version();
    command.text = std::u16string(text);
    command.rect = layoutRect;
    command.brush = TexelOf(ownBrush->color());
    command.transform = transform_;
    command.antialiased = antialias_ != gpu::TextAntialiasMode::Aliased;
    commands_.emplace_back(std::move(command));
}

HRESULT TextTarget::EndDraw() {
    if (!drawing_) {
        const HRESULT hr = FAILED(error_) ? error_ : E_FAIL;
        error_ = S_OK;
        return hr;
    }
    drawing_ = false;
    std::vector<Command> commands = std::move(commands_);
    commands_.clear();
    if (FAILED(error_)) {
        const HRESULT hr = error_;
        error_ = S_OK;
        return hr;
    }
    if (commands.empty()) {
        return S_OK;
    }

    // A drawing that starts with a clear depends on nothing before it: its picture can be kept
    // and found again. One that does not is drawn over what the surface holds now.
    const bool keyed = std::holds_alternative<std::uint32_t>(commands.front());
    auto page = pages_.end();
    if (keyed && capacity_ > 0) {
        page = std::find_if(pages_.begin(), pages_.end(), [&](const Page& candidate) {
            return candidate.keyed && candidate.commands == commands;
        });
    }
    if (page == pages_.end()) {
        try {
            if (!keyed && current_ != nullptr) {
                page = std::find_if(pages_.begin(), pages_.end(),
                                    [&](const Page& candidate) { return &candidate == current_; });
            } else if (pages_.size() < std::max<std::size_t>(1, capacity_)) {
                page = pages_.emplace(pages_.end());
                page->pixels = pool_->Take(std::size_t{width_} * height_);
            } else {
                page = std::prev(pages_.end());
            }
            Compose(commands, *page);
        } catch (const std::bad_alloc&) {
            // A drawing is a result code, never an exception that would leave the frame. A page
            // half put together shows nothing reliable: it is dropped, and drawn anew next time.
            if (page != pages_.end()) {
                pages_.erase(page);
            }
            current_ = nullptr;
            return E_OUTOFMEMORY;
        }
        ++composed_;
        page->serial = NextSerial();
        page->keyed = keyed;
        page->commands = std::move(commands);
    }
    pages_.splice(pages_.begin(), pages_, page);

    current_ = nullptr;
    const HRESULT hr =
        surface_->WriteKeyedPixels(pages_.front().pixels.data(), width_ * 4, pages_.front().serial);
    if (SUCCEEDED(hr)) {
        current_ = &pages_.front();
    }
    return hr;
}

void TextTarget::Compose(const std::vector<Command>& commands, Page& page) const {
    for (const Command& command : commands) {
        if (const auto* texel = std::get_if<std::uint32_t>(&command)) {
            ClearPage(*texel, page);
        } else {
            DrawTextCommand(std::get<TextCommand>(command), page);
        }
    }
}

void TextTarget::ClearPage(std::uint32_t texel, Page& page) const {
    if (page.uniformKnown && page.uniform == texel) {
        // Only what the glyphs inked differs from the clear colour: put back those texels.
        for (const Inked& glyph : page.inked) {
            for (int y = glyph.clip.y0; y < glyph.clip.y1; ++y) {
                int x0 = 0;
                int x1 = 0;
                if (!InkedColumns(*glyph.mask, glyph.clip, glyph.left, y - glyph.top, &x0, &x1)) {
                    continue;
                }
                std::uint32_t* row = page.pixels.data() + static_cast<std::size_t>(y) * width_;
                std::fill(row + x0, row + x1, texel);
            }
        }
    } else {
        std::fill(page.pixels.begin(), page.pixels.end(), texel);
    }
    page.uniformKnown = true;
    page.uniform = texel;
    page.inked.clear();
}

void TextTarget::DrawTextCommand(const TextCommand& command, Page& page) const {
    // The brush over the page's uniform texel, for every coverage: most glyphs land on cleared
    // texels, and there one lookup gives the blend.
    std::uint32_t table[256];
    for (std::uint32_t c = 0; c < 256; ++c) {
        table[c] =
            Blend(page.uniform, command.brush, Weight(static_cast<std::uint8_t>(c), command.brush));
    }
    const gpu::Matrix3x2F& m = command.transform;
    const float scaleX = dpiX_ / 96.0f;
    const float scaleY = dpiY_ / 96.0f;
    const bool cached = m.m11 == 1.0f && m.m12 == 0.0f && m.m21 == 0.0f && m.m22 == 1.0f &&
                        scaleX == 1.0f && scaleY == 1.0f;
    const float width = std::max(0.0f, command.rect.right - command.rect.left);
    const float height = std::max(0.0f, command.rect.bottom - command.rect.top);
    const std::shared_ptr<const PageLayout> laidOut =
        command.typesetter->Layout(command.text, width, height);
    const PageLayout& layout = *laidOut;
    for (const PageLayout::Glyph& glyph : layout.glyphs) {
        const QRawFont& font = layout.fonts[glyph.font];
        const float x = command.rect.left + glyph.x;
        const float y = command.rect.top + glyph.y;
        if (cached) {
            // Pen positions snap to the glyph cache's steps within a pixel.
            const float px = x + m.dx;
            const float py = y + m.dy;
            int ix = static_cast<int>(std::floor(px));
            int iy = static_cast<int>(std::floor(py));
            int sx =
                static_cast<int>(std::lround((px - static_cast<float>(ix)) * GlyphCache::kStepsX));
            int sy =
                static_cast<int>(std::lround((py - static_cast<float>(iy)) * GlyphCache::kStepsY));
            if (sx == GlyphCache::kStepsX) {
                ++ix;
                sx = 0;
            }
            if (sy == GlyphCache::kStepsY) {
                ++iy;
                sy = 0;
            }
            Blit(glyphs_->Get(font, glyph.index, sx, sy, command.antialiased), ix, iy,
                 command.brush, table, page);
        } else {
            // Any other transform, or another resolution, is rare enough to fill each time.
            const QTransform transform = QTransform::fromTranslate(x, y) *
                                         QTransform(m.m11, m.m12, m.m21, m.m22, m.dx, m.dy) *
                                         QTransform::fromScale(scaleX, scaleY);
            Blit(std::make_shared<const GlyphMask>(
                     RasteriseGlyph(font, glyph.index, transform, command.antialiased)),
                 0, 0, command.brush, table, page);
        }
    }
}

void TextTarget::Blit(std::shared_ptr<const GlyphMask> shared, int x, int y, std::uint32_t brush,
                      const std::uint32_t* table, Page& page) const {
    const GlyphMask& mask = *shared;
    const int left = x + mask.left;
    const int top = y + mask.top;
    const Rect clip = {std::max(0, left), std::max(0, top),
                       std::min(static_cast<int>(width_), left + mask.width),
                       std::min(static_cast<int>(height_), top + mask.height)};
    if (clip.x0 >= clip.x1 || clip.y0 >= clip.y1) {
        return;
    }
    // The table holds only for texels still at the uniform colour: a glyph that overlaps one
    // drawn before it (or a page of unknown contents) blends texel by texel.
    bool onUniform = page.uniformKnown;
    for (const Inked& other : page.inked) {
        if (!onUniform) {
            break;
        }
        const Rect& r = other.clip;
        onUniform = !Intersect(clip.x0, clip.y0, clip.x1, clip.y1, r.x0, r.y0, r.x1, r.y1);
    }
    for (int row = clip.y0; row < clip.y1; ++row) {
        int x0 = 0;
        int x1 = 0;
        if (!InkedColumns(mask, clip, left, row - top, &x0, &x1)) {
            continue;
        }
        // Both rows are indexed from their own start: the mask's columns lie `left` to the
        // right of the page's, and a pointer shifted back by `left` could point before the mask.
        const std::uint8_t* src =
            mask.coverage.data() + static_cast<std::size_t>(row - top) * mask.width;
        std::uint32_t* dst = page.pixels.data() + static_cast<std::size_t>(row) * width_;
        if (onUniform) {
            // Every texel here still holds the uniform colour, which is the table's entry for
            // no coverage: one lookup per texel, no branch.
            for (int k = x0; k < x1; ++k) {
                dst[k] = table[src[k - left]];
            }
        } else {
            for (int k = x0; k < x1; ++k) {
                const std::uint8_t coverage = src[k - left];
                if (coverage != 0) {
                    dst[k] = Blend(dst[k], brush, Weight(coverage, brush));
                }
            }
        }
    }
    if (page.inked.size() < kMaxInked) {
        page.inked.push_back({clip, left, top, std::move(shared)});
    } else {
        page.uniformKnown = false;
        page.inked.clear();
    }
}

}  // namespace qtext
