#pragma once

// The texts that the session's own logic puts into titles and messages; the shell's others are
// in shell/Strings.h, which includes these. Marked for translation without Qt: the document
// manager has them translated through its hook, the shell through strings::Tr.

#include "base/Translatable.h"

namespace strings {

inline constexpr char kWindowTitle[] = "Tamor Selvane 0.4";
inline constexpr char kUntitled[] = SELVANE_TRANSLATE_NOOP("Selvane", "無題");
// The title of a text read from standard input.
inline constexpr char kStandardInput[] = SELVANE_TRANSLATE_NOOP("Selvane", "標準入力");
inline constexpr char kOutOfMemory[] =
    SELVANE_TRANSLATE_NOOP("Selvane", "メモリが不足しています。");

}  // namespace strings
