#include "scene/TextLoad.h"

#include <new>
#include <stdexcept>

#include "scene/AozoraNotation.h"
#include "scene/FileException.h"
#include "scene/LineReader.h"

void ReadText(LineReader& reader, Notation notation, LoadedText& loaded,
              const std::function<void(std::uint64_t characters)>& checkRoom) {
    const std::string& path = reader.Path();
    // Read aside: a read that fails part way must leave what the caller had.
    std::u16string text;
    std::vector<Ruby> ruby;
    Notation read = Notation::None;
    try {
        std::u16string line;
        // Where the lines end, for the notation: nothing where it is never read.
        LineIndex lines;
        const bool indexed = notation != Notation::None;
        if (reader.ReadString(line)) {
            // Reserved for the most the file can give, so the text never reallocates (and
            // briefly doubles) while it grows. A large reserve is mapped lazily: the pages a
            // text of double-byte characters leaves unused are never touched and cost nothing.
            text.reserve(static_cast<std::size_t>(reader.FileSize()));
            text.append(line);
            if (indexed) {
                lines.Add(line.size());
            }
            // Where the size was not known, the text is measured against the memory left as
            // it grows, every million characters and at its end.
            constexpr std::size_t kCheckEvery = std::size_t{1} << 20;
            std::size_t nextCheck = reader.SizeKnown() ? SIZE_MAX : kCheckEvery;
            while (reader.ReadString(line)) {
                text += line;
                if (indexed) {
                    lines.Add(line.size());
                }
                if (text.size() >= nextCheck) {
                    checkRoom(text.size());
                    nextCheck = text.size() + kCheckEvery;
                }
            }
            if (!reader.SizeKnown()) {
                checkRoom(text.size());
            }
        }
        if (notation == Notation::Aozora ||
            (notation == Notation::Auto && LooksLikeAozoraText(text, lines))) {
            ReadAozoraNotation(text, lines, ruby);
            read = Notation::Aozora;
        }
    } catch (const std::bad_alloc&) {
        throw FileException(FileException::Cause::OutOfMemory, path);
    } catch (const std::length_error&) {
        // Only reached when the system tells nothing of its memory and the file is larger
        // than a string can ever be.
        throw FileException(FileException::Cause::TooLarge, path);
    }
    loaded.text.swap(text);
    loaded.ruby.swap(ruby);
    loaded.notation = read;
}
