#include "scene/SelvaneDoc.h"

#include <cstdint>
#include <limits>
#include <new>

#include "scene/FileException.h"
#include "scene/LineReader.h"
#include "scene/MemoryBudget.h"
#include "scene/TextLoad.h"
#include "scene/ZipArchive.h"

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
    // Refused before anything is read; a zip archive's text then for its own size.
    CheckRoomFor(reader.FileSize(), path);
    std::string start;
    try {
        start = reader.PeekStart(4);
    } catch (const std::bad_alloc&) {
        // The look is the file's first read: running out of memory there is what it is on any.
        throw FileException(FileException::Cause::OutOfMemory, path);
    }
    if (!LooksLikeZip(start)) {
        Load(reader);
        return true;
    }
    reader.Close();
    ZipTextMember member(path);
    // The member is unpacked as it is read: its size is the file's for the memory check.
    if (member.SizeKnown()) {
        CheckRoomFor(member.Size(), path);
    }
    reader.OpenSource(
        path, member.Size(), member.SizeKnown(),
        [&member](void* buffer, std::size_t size) { return member.Read(buffer, size); }, encoding);
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
    Scene& scene = *scene_;
    LoadedText loaded;
    ReadText(reader, notation_, loaded,
             [this, &path](std::uint64_t characters) { CheckRoomFor(characters, path); });
    decoded_ = reader.Encoding();
    decodedNotation_ = loaded.notation;
    reader.Close();
    // The old text and ruby go now, before the new scene is built.
    scene.text.swap(loaded.text);
    scene.ruby.swap(loaded.ruby);
    loaded = LoadedText();

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
