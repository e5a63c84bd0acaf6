#pragma once

#include <QRawFont>
#include <QTransform>

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "render/text/GlyphMask.h"

namespace qtext {

// Glyphs rasterised once and kept. Qt fills glyphs larger than 64 pixels as paths on every
// draw, which costs about half a millisecond per glyph at the text texture's 128 pixels: here
// each glyph is filled once per font, size and position within a pixel, then reused until the
// least recently used ones are dropped to stay within the budget. Positions within a pixel go in
// steps of 1/4 across and 1/16 down: a line's glyphs share one baseline, so the finer vertical
// steps cost no more masks, and they hit the baselines of 128-pixel text exactly.
class GlyphCache {
  public:
    static constexpr int kStepsX = 4;
    static constexpr int kStepsY = 16;

    explicit GlyphCache(std::size_t budgetBytes);

    // The glyph with its pen at (subX / kStepsX, subY / kStepsY) within its pixel. Shared, so that
    // a page can keep the masks it drew with after the cache has dropped them.
    std::shared_ptr<const GlyphMask> Get(const QRawFont& font, quint32 glyph, int subX, int subY,
                                         bool antialiased);

    std::size_t bytes() const { return bytes_; }
    std::size_t size() const { return entries_.size(); }
    std::size_t rasterised() const { return rasterised_; }
    // Fonts that glyphs still in the cache were filled from.
    std::size_t fonts() const;

  private:
    struct Key {
        std::uint32_t font;
        quint32 glyph;
        std::uint8_t subX;
        std::uint8_t subY;
        bool antialiased;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    struct Entry {
        Key key;
        std::shared_ptr<const GlyphMask> mask;
    };
    // A font is kept only while glyphs of it are: a flight through many sizes or families
    // would otherwise hold each one's font data for good. A slot whose glyphs are all gone is
    // taken by the next new font; no key refers to it any more.
    struct FontSlot {
        QRawFont font;
        std::size_t glyphs = 0;
    };

    std::uint32_t FontIndex(const QRawFont& font);

    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::size_t rasterised_ = 0;
    std::vector<FontSlot> fonts_;
    std::list<Entry> entries_;
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

// Fills the glyph's outline, placed by `transform` (pen position at the origin before it), with
// Qt's own rasteriser: the coverage QPainter would give it.
GlyphMask RasteriseGlyph(const QRawFont& font, quint32 glyph, const QTransform& transform,
                         bool antialiased);

}  // namespace qtext
