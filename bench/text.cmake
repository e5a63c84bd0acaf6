# Reading and decoding a large code page 932 file through the line reader, against glibc iconv.
add_executable(selvane_text_load_bench ${CMAKE_CURRENT_LIST_DIR}/TextLoadBench.cpp)
target_link_libraries(selvane_text_load_bench PRIVATE selvane_scene benchmark::benchmark)
