#pragma once

#include <optional>
#include <string>
#include <string_view>

// Whether a text file's Aozora Bunko notation (ruby, annotations, gaiji, accent decomposition,
// its header, notes block and footer) is read, or the file flies as it is.
enum class Notation {
    // Read where the file is an Aozora Bunko text: its header is followed by the notes block or
    // a line begins with 底本：, and it holds a 《…》 or a ［＃…］. Every other file reads as it
    // is.
    Auto,
    Aozora,  // always read
    None,    // never read
};

// The notation a name stands for, in any case: auto, aozora, none. Nothing for any other name.
std::optional<Notation> ParseNotationName(std::string_view name);
// The name ParseNotationName gives the choice back for.
std::string NotationKey(Notation notation);

// The names --notation lists in its help and its error message.
inline constexpr char kNotationNames[] = "auto, aozora, none";
