# Reading and decoding a large code page 932 file through the line reader, against glibc iconv;
# a large Aozora Bunko text with its notation read and without.
add_executable(selvane_text_load_bench ${CMAKE_CURRENT_LIST_DIR}/TextLoadBench.cpp)
target_link_libraries(selvane_text_load_bench PRIVATE selvane_scene benchmark::benchmark)
# The Aozora Bunko texts of the tests, repeated into a large one.
target_compile_definitions(selvane_text_load_bench PRIVATE
    SELVANE_AOZORA_DATA="${PROJECT_SOURCE_DIR}/tests/scene/aozora")
