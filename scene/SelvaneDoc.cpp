#include "scene/SelvaneDoc.h"

#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>

#include "scene/FileException.h"
#include "scene/LineReader.h"
#include "scene/MemoryBudget.h"

CSelvaneDoc::CSelvaneDoc() : scene_(std::make_unique<Scene>()) {
    g_scene = scene_.get();
}

CSelvaneDoc::~CSelvaneDoc() {
    scene_.reset();
    g_scene = nullptr;
}

bool CSelvaneDoc::OnNewDocument() {
    return true;
}

void CSelvaneDoc::CheckRoomFor(std::uint64_t fileSize, const std::string& path) const {
    const std::optional<std::uint64_t> available = AvailableMemory();
    if (!available) {
        return;
    }
    // The new text is read while the current scene still stands, so that a failed read leaves
    // it whole; the current scene gives its memory back before the new one is built: its text
    // once the new one is in, its mesh when Scene::Build resets.
    const Scene& scene = *scene_;
    const std::uint64_t built = scene.pathPoints.empty() ? 0 : scene.pathPoints.size() - 1;
    const std::uint64_t freed =
        built * kBuiltBytesPerCharacter + scene.text.capacity() * sizeof(char16_t);
    const std::uint64_t room = *available > std::numeric_limits<std::uint64_t>::max() - freed
                                   ? std::numeric_limits<std::uint64_t>::max()
                                   : *available + freed;
    const bool textFits = fileSize <= *available / kTextBytesPerCharacter;
    if (!textFits || BytesToLoad(fileSize) > room) {
        throw FileException(FileException::Cause::TooLarge, path);
    }
}

bool CSelvaneDoc::OnOpenDocument(const std::string& path) {
    return OnOpenDocument(path, encoding_);
}

bool CSelvaneDoc::OnOpenDocument(const std::string& path, const EncodingChoice& encoding) {
    LineReader reader;
    if (!reader.Open(path, encoding)) {
        return false;
    }
    CheckRoomFor(reader.FileSize(), path);
    Load(reader);
    return true;
}

bool CSelvaneDoc::OnOpenStandardInput(const std::string& name, const EncodingChoice& encoding) {
    LineReader reader;
    if (!reader.OpenStandardInput(name, encoding)) {
        return false;
    }
    if (reader.SizeKnown()) {
        CheckRoomFor(reader.FileSize(), name);
    }
    Load(reader);
    return true;
}

void CSelvaneDoc::Load(LineReader& reader) {
    const std::string& path = reader.Path();
    std::u16string line;
    Scene& scene = *scene_;
    // Read aside: a read that fails part way must leave the text that the flight on screen is
    // built from, not the lines it got before the failure.
    std::u16string text;
    try {
        if (reader.ReadString(line)) {
            // Reserved for the most the file can give, so the text never reallocates (and
            // briefly doubles) while it grows. A large reserve is mapped lazily: the pages a
            // text of double-byte characters leaves unused are never touched and cost nothing.
            text.reserve(static_cast<std::size_t>(reader.FileSize()));
            text.append(line);
            // Where the size was not known, the text is measured against the memory left as
            // it grows, every million characters and at its end.
            constexpr std::size_t kCheckEvery = std::size_t{1} << 20;
            std::size_t nextCheck = reader.SizeKnown() ? SIZE_MAX : kCheckEvery;
            while (reader.ReadString(line)) {
                text += line;
                if (text.size() >= nextCheck) {
                    CheckRoomFor(text.size(), path);
                    nextCheck = text.size() + kCheckEvery;
                }
            }
            if (!reader.SizeKnown()) {
                CheckRoomFor(text.size(), path);
            }
        }
    } catch (const std::bad_alloc&) {
        throw FileException(FileException::Cause::OutOfMemory, path);
    } catch (const std::length_error&) {
        // Only reached when the system tells nothing of its memory and the file is larger
        // than a string can ever be.
        throw FileException(FileException::Cause::TooLarge, path);
    }
    decoded_ = reader.Encoding();
    reader.Close();
    // The old text goes now, before the new scene is built.
    scene.text.swap(text);
    std::u16string().swap(text);
    std::u16string().swap(line);

    try {
        scene.Build();
    } catch (const std::bad_alloc&) {
        // A half-built mesh would not match its text: give it all back.
        scene.Reset();
        throw FileException(FileException::Cause::OutOfMemory, path);
    }
    if (updateAllViews_) {
        updateAllViews_();
    }
}
