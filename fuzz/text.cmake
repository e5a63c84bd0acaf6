# The line reader and both decoders on arbitrary bytes, read in fills and reads of every size.
selvane_add_fuzzer(fuzz_line_reader ${CMAKE_CURRENT_LIST_DIR}/FuzzLineReader.cpp)
target_link_libraries(fuzz_line_reader PRIVATE selvane_scene)
