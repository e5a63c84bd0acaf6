#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Ruby.h"

// Where the lines of a text end, the lines joined without anything between them as the
// document joins them. Only what the notation needs is kept: a run of empty lines is one entry,
// since empty lines add nothing to the text and only where the first one stands matters (it ends
// the header). Four bytes a line.
class LineIndex {
  public:
    void Add(std::size_t length);
    void Clear();
    bool Empty() const { return lengths_.empty(); }
    std::size_t Bytes() const { return lengths_.capacity() * sizeof(std::uint32_t); }

    // Visits the lines in order: each as where it starts in the joined text and its length.
    class Cursor {
      public:
        explicit Cursor(const LineIndex& index) : index_(&index) {}
        bool Next(std::size_t& start, std::size_t& length);

      private:
        const LineIndex* index_;
        std::size_t entry_ = 0;
        std::size_t position_ = 0;
    };

  private:
    // A line of kContinued units or more is kContinued and what is left, as often as it takes.
    static constexpr std::uint32_t kContinued = 0xFFFFFFFFu;
    std::vector<std::uint32_t> lengths_;
    bool lastEmpty_ = false;
};

// Aozora Bunko's plain-text notation. The lines are those the line reader delivers, split once
// more at a CR that no LF follows (a few old texts end their lines so).

// Whether the text is an Aozora Bunko text: its header (the lines before the first empty line)
// is followed by the notes block (a line of '-' and then 【テキスト中に現れる記号について】), or a
// line begins with 底本：; and it holds a 《…》 or a ［＃…］ on one line.
bool LooksLikeAozoraText(std::u16string_view text, const LineIndex& lines);

// Reads the notation out of text, which holds the lines of lines joined, in place: the text
// becomes the text as it flies, and ruby what is drawn over it (ordered, never overlapping).
// - The header flies first, its ruby left out; the notes block, from its first line of '-' to
//   the next, never reaches the text; the body and the footer fly as they come.
// - base《reading》 and ｜base《reading》: the base flies, the reading is drawn over it.
// - ［＃…］ annotations (nested ones matched by depth) never fly; emphasis (傍点 and its kinds,
//   forward-referring or as a range) becomes one mark over each character, notes attached to a
//   text (［＃「X」に「Y」の注記］) a reading over it; the text they refer to stays.
// - ※［＃…］ gaiji become their JIS X 0213 or U+XXXX character, ※ where the note names none.
// - 〔…〕 holding an accent decomposition become the accented letters, without the brackets.
// A text of more than 2^32 - 1 units is left as it is: ruby positions are 32-bit.
void ReadAozoraNotation(std::u16string& text, const LineIndex& lines, std::vector<Ruby>& ruby);

// Reads the notation as the lines come from the reader, into text and ruby: where the opening
// lines (the header, the notes block) already show an Aozora Bunko text, every later line is
// read as it comes; otherwise the lines are joined as they are and, once all are in, the text
// is looked at as a whole (LooksLikeAozoraText) and read in place where it is one. Either way
// the result is that of ReadAozoraNotation on the whole text, or the text as it is.
class AozoraReader {
  public:
    // Room the text needs beyond its last character while a line is read into it.
    static constexpr std::size_t kSlack = 8;

    // always: read the notation whatever the text is. text is appended to and should be
    // reserved for the whole file and kSlack units more.
    AozoraReader(bool always, std::u16string& text, std::vector<Ruby>& ruby);
    ~AozoraReader();
    AozoraReader(const AozoraReader&) = delete;
    AozoraReader& operator=(const AozoraReader&) = delete;

    // The reader's next line; its contents may be taken.
    void Add(std::u16string& line);
    // After the last line: whether the notation was read.
    bool Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The same into a buffer of its own, text left as it is: the fuzz target compares the two, so
// that a write in place that overtakes what is still to be read shows.
std::u16string ReadAozoraNotationApartForTesting(std::u16string_view text, const LineIndex& lines,
                                                 std::vector<Ruby>& ruby);
