# A long flight through the real shell, reporting memory and live OpenGL objects at its start and
# end: run it under xvfb-run. It takes minutes, so it is no test.
add_executable(selvane_soak ${CMAKE_CURRENT_LIST_DIR}/Soak.cpp)
target_link_libraries(selvane_soak PRIVATE selvane_app)
target_compile_definitions(selvane_soak PRIVATE SELVANE_PROGRAM_DIR="${SELVANE_PROGRAM_DIR}")
# The shader, the drums and the sample text lie beside the program.
add_dependencies(selvane_soak Selvane)
