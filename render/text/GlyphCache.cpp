#include "render/text/GlyphCache.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qtext {

GlyphMask RasteriseGlyph(const QRawFont& font, quint32 glyph, const QTransform& transform,
                         bool antialiased) {
    GlyphMask mask;
    const QPainterPath path = transform.map(font.pathForGlyph(glyph));
    if (path.isEmpty()) {
        return mask;
    }
    // One pixel of margin all round, for the antialiased edge.
    const QRectF bounds = path.boundingRect();
    mask.left = static_cast<int>(std::floor(bounds.left())) - 1;
    mask.top = static_cast<int>(std::floor(bounds.top())) - 1;
    mask.width = static_cast<int>(std::ceil(bounds.right())) + 1 - mask.left;
    mask.height = static_cast<int>(std::ceil(bounds.bottom())) + 1 - mask.top;
    QImage image(mask.width, mask.height, QImage::Format_Alpha8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        painter.translate(-mask.left, -mask.top);
        painter.fillPath(path, Qt::black);
    }
    mask.coverage.resize(static_cast<std::size_t>(mask.width) * mask.height);
    mask.spans.resize(static_cast<std::size_t>(mask.height));
    for (int y = 0; y < mask.height; ++y) {
        std::uint8_t* row = mask.coverage.data() + static_cast<std::size_t>(y) * mask.width;
        std::memcpy(row, image.constScanLine(y), static_cast<std::size_t>(mask.width));
        int first = 0;
        while (first < mask.width && row[first] == 0) {
            ++first;
        }
        int last = mask.width;
        while (last > first && row[last - 1] == 0) {
            --last;
        }
        mask.spans[static_cast<std::size_t>(y)] = {static_cast<std::uint16_t>(first),
                                                   static_cast<std::uint16_t>(last)};
    }
    return mask;
}

GlyphCache::GlyphCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

std::size_t GlyphCache::KeyHash::operator()(const Key& key) const {
    std::size_t h = key.font;
    h = h * 1000003u ^ key.glyph;
    h = h * 31u ^ (static_cast<std::size_t>(key.subX) << 8 | key.subY);
    return h * 2u ^ (key.antialiased ? 1u : 0u);
}

std::uint32_t GlyphCache::FontIndex(const QRawFont& font) {
    std::size_t free = fonts_.size();
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i].glyphs == 0) {
            free = std::min(free, i);
        } else if (fonts_[i].font == font) {
            return static_cast<std::uint32_t>(i);
        }
    }
    if (free == fonts_.size()) {
        fonts_.emplace_back();
    }
    fonts_[free].font = font;
    return static_cast<std::uint32_t>(free);
}

std::size_t GlyphCache::fonts() const {
    return static_cast<std::size_t>(std::count_if(
        fonts_.begin(), fonts_.end(), [](const FontSlot& slot) { return slot.glyphs != 0; }));
}

std::shared_ptr<const GlyphMask> GlyphCache::Get(const QRawFont& font, quint32 glyph, int subX,
                                                 int subY, bool antialiased) {
    const Key key{FontIndex(font), glyph, static_cast<std::uint8_t>(subX),
                  static_cast<std::uint8_t>(subY), antialiased};
    const auto found = index_.find(key);
    if (found != index_.end()) {
        entries_.splice(entries_.begin(), entries_, found->second);
        return found->second->mask;
    }
    const QTransform offset = QTransform::fromTranslate(static_cast<qreal>(subX) / kStepsX,
                                                        static_cast<qreal>(subY) / kStepsY);
    entries_.push_front(
        {key, std::make_shared<const GlyphMask>(RasteriseGlyph(font, glyph, offset, antialiased))});
    ++rasterised_;
    ++fonts_[key.font].glyphs;
    index_.emplace(key, entries_.begin());
    bytes_ += entries_.front().mask->Bytes();
    // The newest entry always stays, even alone over the budget.
    while (bytes_ > budget_ && entries_.size() > 1) {
        const Entry& last = entries_.back();
        bytes_ -= last.mask->Bytes();
        if (--fonts_[last.key.font].glyphs == 0) {
            fonts_[last.key.font].font = QRawFont();
        }
        index_.erase(last.key);
        entries_.pop_back();
    }
    return entries_.front().mask;
}

}  // namespace qtext
