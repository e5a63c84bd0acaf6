#pragma once

#include <QFont>

#include <cstdint>
#include <memory>
#include <string_view>

#include "gpu/Text.h"
#include "render/text/PageLayout.h"
#include "render/text/Typesetter.h"

namespace qtext {

// A font (a family list with Qt's fallback after it) at a size, and the paragraph and text
// alignments. Text is laid out from the box's edges as they say and wraps at word boundaries,
// or anywhere when a word does not fit.
class TextFormat final : public gpu::TextFormat {
  public:
    explicit TextFormat(QFont font);
    HRESULT SetParagraphAlignment(gpu::ParagraphAlignment alignment) override;
    HRESULT SetTextAlignment(gpu::TextAlignment alignment) override;

    // The text laid out in a box of the given size (Typesetter::Layout).
    std::shared_ptr<const PageLayout> Layout(std::u16string_view text, float width, float height) {
        return typesetter_->Layout(text, width, height);
    }
    // What a drawing recorded now lays its text out with.
    const std::shared_ptr<Typesetter>& typesetter() const { return typesetter_; }

    // Changes whenever the layout of a text could (a new alignment); never the same for two
    // formats.
    std::uint64_t version() const { return typesetter_->version(); }
    const QFont& font() const { return typesetter_->font(); }

  private:
    std::shared_ptr<Typesetter> typesetter_;
};

}  // namespace qtext
