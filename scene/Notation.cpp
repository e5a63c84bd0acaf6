#include "scene/Notation.h"

std::optional<Notation> ParseNotationName(std::string_view name) {
    std::string folded;
    for (const char c : name) {
        folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    for (const Notation notation : {Notation::Auto, Notation::Aozora, Notation::None}) {
        if (folded == NotationKey(notation)) {
            return notation;
        }
    }
    return std::nullopt;
}

std::string NotationKey(Notation notation) {
    switch (notation) {
        case Notation::Aozora:
            return "aozora";
        case Notation::None:
            return "none";
        case Notation::Auto:
            break;
    }
    return "auto";
}
