#pragma once

// How the bytes of an opened text file become UTF-16. Code page 932 is what the program reads
// unless told otherwise.
enum class TextEncoding {
    Cp932,
    Utf8,
};
