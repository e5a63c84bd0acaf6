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

// Lays text out for a format: its font, the font's line metrics and the two alignments. A
// drawing keeps the typesetter it was recorded with and lays its text out only when its page
// has to be put together, so that drawing a page kept from before lays out nothing: a frame
// draws every page and every reading over it again. A format that changes an alignment takes
// a new typesetter, and a drawing recorded before keeps the layout it was recorded with.
class Typesetter {
  public:
    explicit Typesetter(QFont font);
    // The same font and metrics with other alignments, and a version of its own.
    std::shared_ptr<Typesetter> With(gpu::ParagraphAlignment paragraph,
                                     gpu::TextAlignment text) const;

    // The text laid out in a box of the given size. Lines are stacked on the first font's
    // typographic ascent, descent and gap: Qt's own line box for IPAexMincho uses its Windows
    // metrics, 1.2 em tall, which would lift full-width glyphs 8 pixels out of the 128-pixel row
    // that the em box is meant to fill. The last layouts are kept, since every frame lays out
    // the same few pages.
    std::shared_ptr<const PageLayout> Layout(std::u16string_view text, float width, float height);

    // Never the same for two typesetters.
    std::uint64_t version() const { return version_; }
    const QFont& font() const { return font_; }
    gpu::ParagraphAlignment paragraphAlignment() const { return paragraph_; }
    gpu::TextAlignment textAlignment() const { return text_; }

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
    gpu::ParagraphAlignment paragraph_ = gpu::ParagraphAlignment::Near;
    gpu::TextAlignment text_ = gpu::TextAlignment::Leading;
    std::uint64_t version_;
    float ascent_ = 0.0f;
    float descent_ = 0.0f;
    float lineGap_ = 0.0f;
    std::list<Cached> cache_;
};

}  // namespace qtext
