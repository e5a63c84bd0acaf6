#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/Notation.h"
#include "scene/Ruby.h"

class LineReader;

// A text as it flies: the lines of a file joined with nothing between them, and what is drawn
// over them.
struct LoadedText {
    std::u16string text;
    std::vector<Ruby> ruby;
    // Aozora where the notation was read, None where the file reads as it is.
    Notation notation = Notation::None;
};

// Reads every line of reader into loaded, and the notation as notation says (for Auto: where the
// text is an Aozora Bunko text). Where the size of the text was not known in advance,
// checkRoom(characters) is called as the text grows, every million characters and at its end,
// and may throw to stop the read. Throws FileException for a read that fails, and for memory
// that runs out (OutOfMemory) or a text larger than a string can be (TooLarge); loaded is then
// as it was.
void ReadText(LineReader& reader, Notation notation, LoadedText& loaded,
              const std::function<void(std::uint64_t characters)>& checkRoom);
