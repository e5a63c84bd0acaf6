#pragma once

#include <QFont>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>

#include "gpu/Text.h"
#include "render/text/PageLayout.h"

namespace qtext {

// A font (a family list with Qt's fallback after it) at a size, and the paragraph alignment.
// Text is laid out from the leading edge and wraps at word boundaries, or anywhere when a word
// does not fit.
class TextFormat final : public gpu::TextFormat {
  public:
    explicit TextFormat(QFont font);
    HRESULT SetParagraphAlignment(gpu::ParagraphAlignment alignment) override;

    // The text laid out in a box of the given size. Lines are stacked on the first font's
    // typographic ascent, descent and gap: Qt's own line box for IPAexMincho uses its Windows
    // metrics, 1.2 em tall, which would lift full-width glyphs 8 pixels out of the 128-pixel row
    // that the em box is meant to fill. The last layouts are kept, since every frame lays out
    // the same few pages.
    std::shared_ptr<const PageLayout> Layout(std::u16string_view text, float width, float height);

    // Changes whenever the layout of a text could (a new alignment); never the same for two
    // formats.
    std::uint64_t version() const { return version_; }
    const QFont& font() const { return font_; }

  private:
    struct Cached {
        std::u16string text;
        float width;
        float height;
        std::shared_ptr<const PageLayout> layout;
    };
    std::shared_ptr<const PageLayout> Make(std::u16string_view text, float width,
                                           float height) const;

    QFont font_;
    gpu::ParagraphAlignment alignment_ = gpu::ParagraphAlignment::Near;
    std::uint64_t version_;
    float ascent_ = 0.0f;
    float descent_ = 0.0f;
    float lineGap_ = 0.0f;
    std::list<Cached> cache_;
};

}  // namespace qtext
