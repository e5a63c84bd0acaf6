#include "shell/ColorName.h"

#include <QColor>
#include <QString>
#include <cstdint>

std::optional<ColorRef> ReadColorName(const std::string& text) {
    const QColor c = QColor::fromString(QString::fromStdString(text));
    if (!c.isValid()) {
        return std::nullopt;
    }
    return MakeColorRef(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                        static_cast<std::uint8_t>(c.blue()));
}
