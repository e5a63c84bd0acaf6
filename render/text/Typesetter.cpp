#include "render/text/Typesetter.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <atomic>
#include <vector>

namespace qtext {

namespace {

constexpr std::size_t kCachedLayouts = 32;

std::uint64_t NextVersion() {
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

std::int16_t Int16At(const QByteArray& table, int offset) {
    const auto hi = static_cast<std::uint8_t>(table[offset]);
    const auto lo = static_cast<std::uint8_t>(table[offset + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(hi << 8 | lo));
}

}  // namespace

Typesetter::Typesetter(QFont font) : font_(std::move(font)), version_(NextVersion()) {
    const QRawFont raw = QRawFont::fromFont(font_);
    const qreal unitsPerEm = raw.unitsPerEm();
    const qreal pixels = raw.pixelSize();
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray hhea = raw.fontTable("hhea");
    if (raw.isValid() && unitsPerEm > 0 && os2.size() >= 74) {
        ascent_ = static_cast<float>(Int16At(os2, 68) * pixels / unitsPerEm);
        descent_ = static_cast<float>(-Int16At(os2, 70) * pixels / unitsPerEm);
        lineGap_ = static_cast<float>(Int16At(os2, 72) * pixels / unitsPerEm);
    } else if (raw.isValid() && unitsPerEm > 0 && hhea.size() >= 10) {
        ascent_ = static_cast<float>(Int16At(hhea, 4) * pixels / unitsPerEm);
        descent_ = static_cast<float>(-Int16At(hhea, 6) * pixels / unitsPerEm);
        lineGap_ = static_cast<float>(Int16At(hhea, 8) * pixels / unitsPerEm);
    } else {
        ascent_ = static_cast<float>(raw.ascent());
        descent_ = static_cast<float>(raw.descent());
        lineGap_ = static_cast<float>(raw.leading());
    }
}

std::shared_ptr<Typesetter> Typesetter::With(gpu::ParagraphAlignment paragraph,
                                             gpu::TextAlignment text) const {
    auto other = std::make_shared<Typesetter>(*this);
    other->paragraph_ = paragraph;
    other->text_ = text;
    other->version_ = NextVersion();
    other->cache_.clear();
    return other;
}

std::shared_ptr<const PageLayout> Typesetter::Layout(std::u16string_view text, float width,
                                                     float height) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->width == width && it->height == height && it->text == text) {
            cache_.splice(cache_.begin(), cache_, it);
            return cache_.front().layout;
        }
    }
    cache_.push_front({std::u16string(text), width, height, Make(text, width, height)});
    if (cache_.size() > kCachedLayouts) {
        cache_.pop_back();
    }
    return cache_.front().layout;
}

std::shared_ptr<const PageLayout> Typesetter::Make(std::u16string_view text, float width,
                                                   float height) const {
    auto page = std::make_shared<PageLayout>();
    const QString string = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    QTextLayout layout(string, font_);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    std::vector<QTextLine> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0.0, 0.0));
        lines.push_back(line);
    }
    layout.endLayout();

    const float lineHeight = ascent_ + descent_ + lineGap_;
    const float total = lineHeight * static_cast<float>(lines.size());
    float top = 0.0f;
    if (paragraph_ == gpu::ParagraphAlignment::Center) {
        top = (height - total) / 2.0f;
    } else if (paragraph_ == gpu::ParagraphAlignment::Far) {
        top = height - total;
    }
    for (const QTextLine& line : lines) {
        const float baseline = top + ascent_;
        // The line is laid out from the box's left edge; the alignment moves it as a whole.
        const auto spare = static_cast<float>(width - line.naturalTextWidth());
        const float left = text_ == gpu::TextAlignment::Center     ? spare / 2.0f
                           : text_ == gpu::TextAlignment::Trailing ? spare
                                                                   : 0.0f;
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont font = run.rawFont();
            std::uint32_t index = 0;
            while (index < page->fonts.size() && !(page->fonts[index] == font)) {
                ++index;
            }
            if (index == page->fonts.size()) {
                page->fonts.push_back(font);
            }
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
                // Qt places the run's baseline at the line's own ascent; only the offsets from
                // it (marks, superscripts) are kept.
                const auto dy = static_cast<float>(positions[i].y() - line.ascent());
                page->glyphs.push_back(
                    {index, glyphs[i], left + static_cast<float>(positions[i].x()), baseline + dy});
            }
        }
        top += lineHeight;
    }
    return page;
}

}  // namespace qtext
