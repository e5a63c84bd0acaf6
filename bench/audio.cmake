# Output latency of the default OpenAL device and the cost of one wheel strike.
if(TARGET selvane_audio_al)
    add_executable(selvane_audio_bench ${CMAKE_CURRENT_LIST_DIR}/AudioBench.cpp)
    target_link_libraries(selvane_audio_bench PRIVATE selvane_audio_al benchmark::benchmark)
    target_compile_definitions(selvane_audio_bench PRIVATE
        SELVANE_PROGRAM_DIR="${SELVANE_PROGRAM_DIR}")
    add_dependencies(selvane_audio_bench selvane_drum_sounds)
endif()
