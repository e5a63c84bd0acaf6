#pragma once

#include <QStringList>

#include <string_view>

#include "gpu/Text.h"

namespace qtext {

// Makes text formats on Qt's fonts (the system's, through fontconfig).
class WriteFactory final : public gpu::WriteFactory {
  public:
    // The family is tried first, then the installed fonts that stand in for it (IPAexMincho for
    // "ＭＳ 明朝"), then Qt's fallback. The size is in device-independent pixels; the locale
    // changes nothing.
    HRESULT CreateTextFormat(std::u16string_view familyName, std::int32_t weight,
                             gpu::FontStyle style, std::int32_t stretch, float size,
                             std::u16string_view locale,
                             gpu::Ref<gpu::TextFormat>* format) override;
};

// The family list a format asks Qt for.
QStringList FamiliesFor(std::u16string_view familyName);

}  // namespace qtext
