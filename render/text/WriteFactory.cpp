#include "render/text/WriteFactory.h"

#include <QFont>

#include <array>
#include <cmath>

#include "render/text/TextFormat.h"

namespace qtext {

namespace {

struct StandIn {
    const char16_t* family;
    const char* font;
};

// Fonts of the platform the program was first written for, and the Debian fonts that take
// their place here.
constexpr std::array<StandIn, 2> kStandIns = {{
    {u"ＭＳ 明朝", "IPAexMincho"},
    {u"MS Mincho", "IPAexMincho"},
}};

// Stretch 1 (ultra-condensed) to 9 (ultra-expanded) as Qt's percentages.
constexpr std::array<int, 9> kStretches = {50, 62, 75, 87, 100, 112, 125, 150, 200};

}  // namespace

QStringList FamiliesFor(std::u16string_view familyName) {
    QStringList families;
    families << QString::fromUtf16(familyName.data(), static_cast<qsizetype>(familyName.size()));
    for (const StandIn& standIn : kStandIns) {
        if (familyName == standIn.family) {
            families << QString::fromLatin1(standIn.font);
        }
    }
    return families;
}

HRESULT WriteFactory::CreateTextFormat(std::u16string_view familyName, std::int32_t weight,
                                       gpu::FontStyle style, std::int32_t stretch, float size,
                                       std::u16string_view, gpu::Ref<gpu::TextFormat>* format) {
    if (format == nullptr || familyName.empty() || weight < 1 || weight > 999 || stretch < 1 ||
        stretch > 9 || !std::isfinite(size) || size < 1.0f) {
        return E_INVALIDARG;
    }
    QFont font;
    font.setFamilies(FamiliesFor(familyName));
    font.setPixelSize(static_cast<int>(std::lround(size)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyle(style == gpu::FontStyle::Italic    ? QFont::StyleItalic
                  : style == gpu::FontStyle::Oblique ? QFont::StyleOblique
                                                     : QFont::StyleNormal);
    font.setStretch(kStretches[static_cast<std::size_t>(stretch - 1)]);
    // Natural measuring: design advances, not ones hinted to whole pixels. Glyphs are drawn
    // from their outlines, so outline fonts win over bitmap ones.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    *format = std::make_unique<TextFormat>(font);
    return S_OK;
}

}  // namespace qtext
