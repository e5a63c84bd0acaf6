#include "render/text/TextFormat.h"

namespace qtext {

TextFormat::TextFormat(QFont font) : typesetter_(std::make_shared<Typesetter>(std::move(font))) {}

HRESULT TextFormat::SetParagraphAlignment(gpu::ParagraphAlignment alignment) {
    switch (alignment) {
        case gpu::ParagraphAlignment::Near:
        case gpu::ParagraphAlignment::Far:
        case gpu::ParagraphAlignment::Center:
            break;
        default:
            return E_INVALIDARG;
    }
    if (alignment != typesetter_->paragraphAlignment()) {
        typesetter_ = typesetter_->With(alignment, typesetter_->textAlignment());
    }
    return S_OK;
}

HRESULT TextFormat::SetTextAlignment(gpu::TextAlignment alignment) {
    switch (alignment) {
        case gpu::TextAlignment::Leading:
        case gpu::TextAlignment::Trailing:
        case gpu::TextAlignment::Center:
            break;
        default:
            return E_INVALIDARG;
    }
    if (alignment != typesetter_->textAlignment()) {
        typesetter_ = typesetter_->With(typesetter_->paragraphAlignment(), alignment);
    }
    return S_OK;
}

}  // namespace qtext
