# The line reader on arbitrary bytes in every encoding, the automatic choice included, read in
# fills and reads of every size.
selvane_add_fuzzer(fuzz_line_reader ${CMAKE_CURRENT_LIST_DIR}/FuzzLineReader.cpp)
target_link_libraries(fuzz_line_reader PRIVATE selvane_scene)

# Aozora Bunko's notation on arbitrary text: read in place, apart, line by line and by the
# reader's own decision, all alike.
selvane_add_fuzzer(fuzz_aozora_notation ${CMAKE_CURRENT_LIST_DIR}/FuzzAozoraNotation.cpp)
target_link_libraries(fuzz_aozora_notation PRIVATE selvane_scene)
