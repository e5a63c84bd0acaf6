# Writes the accent decomposition table of Aozora Bunko's notation as C++, from the TSV in
# data/aozora/ (sequence, men-ku-ten, character, name; # starts a comment):
#   cmake -DTABLE=accent-decomposition.tsv -DOUTPUT=AccentTable.cpp -P AccentTable.cmake
# The sequences are printable ASCII and each stands for one character of the Basic
# Multilingual Plane; a line that breaks either rule fails the build instead of a table that
# reads wrongly.
file(STRINGS "${TABLE}" lines ENCODING UTF-8)
set(entries "")
set(count 0)
foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR line STREQUAL "")
        continue()
    endif()
    string(REPLACE "\t" ";" fields "${line}")
    list(LENGTH fields n)
    if(n LESS 3)
        message(FATAL_ERROR "${TABLE}: a line without sequence, code and character: ${line}")
    endif()
    list(GET fields 0 sequence)
    list(GET fields 2 character)
    if(NOT sequence MATCHES "^[!-~][!-~][!-~]?$")
        message(FATAL_ERROR "${TABLE}: a sequence of 2 or 3 printable ASCII characters expected: ${sequence}")
    endif()
    string(LENGTH "${character}" length)
    # CMake counts bytes: two or three of UTF-8 is one character of U+0080 to U+FFFF.
    if(length LESS 2 OR length GREATER 3)
        message(FATAL_ERROR "${TABLE}: one character of U+0080 to U+FFFF expected: ${character}")
    endif()
    # The sequence as a list of its character codes, so that no quote or backslash of it
    # needs escaping in C++.
    set(codes "")
    string(LENGTH "${sequence}" sequenceLength)
    math(EXPR last "${sequenceLength} - 1")
    foreach(i RANGE ${last})
        string(SUBSTRING "${sequence}" ${i} 1 c)
        string(HEX "${c}" hex)
        list(APPEND codes "0x${hex}")
    endforeach()
    list(JOIN codes ", " codes)
    string(APPEND entries "    {{${codes}}, ${sequenceLength}, u'${character}'},\n")
    math(EXPR count "${count} + 1")
endforeach()
get_filename_component(tableName "${TABLE}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated from data/aozora/${tableName} by tools/accents/AccentTable.cmake; do not edit.
#include \"scene/AccentTable.h\"

const AccentSequence kAccentSequences[] = {
${entries}};
const std::size_t kAccentSequenceCount = ${count};
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
