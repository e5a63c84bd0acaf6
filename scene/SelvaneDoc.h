#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/Notation.h"
#include "scene/Scene.h"
#include "scene/TextEncoding.h"

class LineReader;

// The document: owns the one Scene for its whole life (published in g_scene meanwhile) and
// opens text files into it. It never writes a file and is never modified.
class CSelvaneDoc {
  public:
    // Creates the Scene and sets g_scene to it. Throws std::bad_alloc when the scene cannot be
    // allocated: no document exists then.
    CSelvaneDoc();
    // Destroys the Scene and sets g_scene to null.
    ~CSelvaneDoc();
    CSelvaneDoc(const CSelvaneDoc&) = delete;
    CSelvaneDoc& operator=(const CSelvaneDoc&) = delete;

    // New leaves the scene, and so the flight on screen, exactly as it is.
    bool OnNewDocument();

    // Reads the file at path into the scene's text, the lines joined with nothing between
    // them, and builds the scene from it; then asks the views to update. An empty file (no
    // line at all) gives an empty text and an empty scene. Where the document's notation
    // setting says so, Aozora Bunko's notation is read out of the text, and what is drawn over
    // it goes into the scene's ruby; otherwise the ruby is empty. A zip archive (known by its
    // first bytes, whatever its name) opens as the .txt file inside it.
    //
    // False, with the scene untouched and nothing reported, when the file cannot be opened
    // (missing, not readable, not a regular file). Throws FileException, with the scene (its
    // text too) as it was, when the file would not fit in memory (found before reading), when
    // reading fails part way, when memory runs out while the text is read, or when a zip
    // archive holds no .txt, holds it encrypted or is broken.
    bool OnOpenDocument(const std::string& path);
    // The same in the encoding given instead of the document's own.
    bool OnOpenDocument(const std::string& path, const EncodingChoice& encoding);
    // Reads standard input to its end in the same way; name stands for it in errors. No size
    // is known in advance, so the memory check is made as the text grows: a text that would not
    // fit is refused part way, with the scene as it was.
    bool OnOpenStandardInput(const std::string& name, const EncodingChoice& encoding);

    // How the bytes of the files opened from now on are decoded: automatically unless told.
    void SetEncoding(const EncodingChoice& encoding) { encoding_ = encoding; }
    const EncodingChoice& Encoding() const { return encoding_; }
    // The encoding the text on screen was decoded in (the choice made, where it was automatic).
    const EncodingChoice& DecodedEncoding() const { return decoded_; }
    // Whether the notation of the files opened from now on is read: where they are Aozora
    // Bunko texts unless told.
    void SetNotation(Notation notation) { notation_ = notation; }
    Notation GetNotation() const { return notation_; }
    // Whether the notation of the text on screen was read: Aozora or None.
    Notation DecodedNotation() const { return decodedNotation_; }

    // The shell's way to have every view repaint after a file was opened.
    void SetUpdateAllViews(std::function<void()> updateAllViews) {
        updateAllViews_ = std::move(updateAllViews);
    }

    Scene& GetScene() { return *scene_; }

  private:
    void CheckRoomFor(std::uint64_t fileSize, const std::string& path) const;
    void Load(LineReader& reader);

    std::unique_ptr<Scene> scene_;
    EncodingChoice encoding_;
    EncodingChoice decoded_;
    Notation notation_ = Notation::Auto;
    Notation decodedNotation_ = Notation::None;
    std::function<void()> updateAllViews_;
};
