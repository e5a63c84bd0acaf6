#pragma once

#include <iconv.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

// The characters of JIS X 0213:2004 by plane, row and cell (men-ku-ten), as Aozora Bunko's gaiji
// annotations name them, through glibc iconv's EUC-JISX0213 table: plane 1 row k cell t is the
// bytes 0xA0+k 0xA0+t, plane 2 the same after 0x8F.
class Jisx0213 {
  public:
    // The most UTF-16 units one cell gives: two code points (か゚ is U+304B U+309A), or one
    // beyond U+FFFF as a surrogate pair.
    static constexpr std::size_t kMaxUnits = 4;

    Jisx0213() = default;
    ~Jisx0213();
    Jisx0213(const Jisx0213&) = delete;
    Jisx0213& operator=(const Jisx0213&) = delete;

    // Writes the cell's character to out and returns its length in units; 0 for a code outside
    // the planes (1 and 2, rows and cells 1 to 94), a cell that holds no character, or an iconv
    // that lacks the table.
    std::size_t Lookup(int plane, int row, int cell, char16_t (&out)[kMaxUnits]);

  private:
    struct Cell {
        std::array<char16_t, kMaxUnits> units;
        std::size_t length;
    };

    std::size_t Convert(int plane, int row, int cell, char16_t (&out)[kMaxUnits]);

    static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);
    // A text names the same few gaiji again and again: each is converted once.
    std::unordered_map<std::uint32_t, Cell> cells_;
    iconv_t cd_ = kClosed;
    bool tried_ = false;
};
