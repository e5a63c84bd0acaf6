#include "scene/TextLoad.h"

#include <new>
#include <optional>
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
        if (reader.ReadString(line)) {
            // Reserved for the most the file can give, so the text never reallocates (and
            // briefly doubles) while it grows. A large reserve is mapped lazily: the pages a
            // text of double-byte characters leaves unused are never touched and cost nothing.
            // The notation is read into the text as it grows, eight units at a time, which
            // may reach past the end of the last line.
            text.reserve(static_cast<std::size_t>(reader.FileSize()) +
                         (notation != Notation::None ? AozoraReader::kSlack : 0));
            std::optional<AozoraReader> aozora;
            if (notation != Notation::None) {
                aozora.emplace(notation == Notation::Aozora, text, ruby);
            }
            // Where the size was not known, the text is measured against the memory left as
            // it grows, every million characters and at its end.
            constexpr std::size_t kCheckEvery = std::size_t{1} << 20;
            std::size_t nextCheck = reader.SizeKnown() ? SIZE_MAX : kCheckEvery;
            do {
                if (aozora) {
                    aozora->Add(line);
                } else {
                    text += line;
                }
                if (text.size() >= nextCheck) {
                    checkRoom(text.size());
                    nextCheck = text.size() + kCheckEvery;
                }
            } while (reader.ReadString(line));
            if (!reader.SizeKnown()) {
                checkRoom(text.size());
            }
            if (aozora && aozora->Finish()) {
                read = Notation::Aozora;
            }
        } else if (notation == Notation::Aozora) {
            // An empty file is read so too: there is nothing in it.
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
