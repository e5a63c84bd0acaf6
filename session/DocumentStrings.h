#pragma once

// The texts that the session's own logic puts into titles and messages; the shell's others are
// in shell/Strings.h, which includes these.

namespace strings {

inline constexpr char kWindowTitle[] = "Tamor Selvane 0.4";
inline constexpr char kUntitled[] = "無題";
// The title of a text read from standard input.
inline constexpr char kStandardInput[] = "標準入力";
inline constexpr char kOutOfMemory[] = "メモリが不足しています。";

}  // namespace strings
