// Fuzzes the reading of Aozora Bunko's notation. The input is UTF-8 text (ill-formed parts
// become U+FFFD), its lines split at LF as the line reader splits them. The notation read in
// place must equal the notation read into a buffer apart (a write in place that overtook the
// input still to be read would show), and the reader that takes the lines one by one must give
// the same text and ruby as the whole text read at once, both when told to read the notation
// and when it decides by itself. Every ruby lies inside the text, in order, none overlapping
// another, and the text never grows.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "scene/AozoraNotation.h"
#include "scene/Utf8Decoder.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckRuby(const std::u16string& text, const std::vector<Ruby>& ruby) {
    std::size_t end = 0;
    for (const Ruby& r : ruby) {
        Check(r.first >= end);
        Check(r.count >= 1);
        Check(std::size_t{r.first} + r.count <= text.size());
        Check(!r.reading.empty());
        Check(r.kind != Ruby::Kind::Emphasis || r.reading.size() == 1);
        end = std::size_t{r.first} + r.count;
    }
}

// Through the reader line by line, as the document reads a file.
bool ReadLineByLine(const std::vector<std::u16string>& lines, bool always, std::u16string& text,
                    std::vector<Ruby>& ruby) {
    std::size_t size = 0;
    for (const std::u16string& line : lines) {
        size += line.size();
    }
    text.reserve(size + AozoraReader::kSlack);
    AozoraReader reader(always, text, ruby);
    for (std::u16string line : lines) {
        reader.Add(line);
    }
    return reader.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string decoded(size, u'\0');
    char16_t* out = decoded.data();
    Utf8Decoder::Decode(data, data + size, true, out);
    decoded.resize(static_cast<std::size_t>(out - decoded.data()));

    std::vector<std::u16string> lines;
    LineIndex index;
    std::u16string joined;
    for (std::size_t from = 0; from <= decoded.size();) {
        std::size_t end = decoded.find(u'\n', from);
        if (end == std::u16string::npos) {
            end = decoded.size();
        }
        lines.push_back(decoded.substr(from, end - from));
        index.Add(end - from);
        joined += lines.back();
        from = end + 1;
    }

    std::u16string inPlace = joined;
    std::vector<Ruby> ruby;
    ReadAozoraNotation(inPlace, index, ruby);
    Check(inPlace.size() <= joined.size());
    CheckRuby(inPlace, ruby);

    std::vector<Ruby> apartRuby;
    Check(ReadAozoraNotationApartForTesting(joined, index, apartRuby) == inPlace);
    Check(apartRuby == ruby);

    std::u16string streamed;
    std::vector<Ruby> streamedRuby;
    Check(ReadLineByLine(lines, true, streamed, streamedRuby));
    Check(streamed == inPlace);
    Check(streamedRuby == ruby);

    std::u16string decided;
    std::vector<Ruby> decidedRuby;
    const bool read = ReadLineByLine(lines, false, decided, decidedRuby);
    Check(read == LooksLikeAozoraText(joined, index));
    Check(decided == (read ? inPlace : joined));
    Check(decidedRuby == (read ? ruby : std::vector<Ruby>()));
    return 0;
}
