# The renderer on the real platform: run under xvfb-run (Mesa's llvmpipe).
find_package(Qt6 REQUIRED COMPONENTS Gui)
add_executable(selvane_render_bench RenderBench.cpp)
target_link_libraries(selvane_render_bench PRIVATE
    selvane_render selvane_platform selvane_render_test_support selvane_test_support Qt6::Gui)
target_compile_definitions(selvane_render_bench PRIVATE
    SELVANE_PROGRAM_DIR="${SELVANE_PROGRAM_DIR}")
