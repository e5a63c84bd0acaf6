# WaveFile on arbitrary bytes. The corpus that fuzz/run.sh uses (build/fuzz/corpus/fuzz_wave_file)
# is seeded at build time with the five generated drums and small hand-made cases, so that no
# sound file has to be kept in the repository.
selvane_add_fuzzer(fuzz_wave_file ${CMAKE_CURRENT_LIST_DIR}/FuzzWaveFile.cpp)
target_link_libraries(fuzz_wave_file PRIVATE selvane_audio)

add_executable(fuzz_wave_file_seeds ${CMAKE_CURRENT_LIST_DIR}/WaveFileSeeds.cpp)
target_link_libraries(fuzz_wave_file_seeds PRIVATE selvane_options)

set(corpus ${CMAKE_BINARY_DIR}/corpus/fuzz_wave_file)
add_custom_command(
    OUTPUT ${corpus}/pcm16.wav
    COMMAND fuzz_wave_file_seeds ${corpus}
    COMMAND ${CMAKE_COMMAND} -E copy
        ${SELVANE_PROGRAM_DIR}/Sounds/DrumBass.wav ${SELVANE_PROGRAM_DIR}/Sounds/DrumCymbal.wav
        ${SELVANE_PROGRAM_DIR}/Sounds/DrumHat.wav ${SELVANE_PROGRAM_DIR}/Sounds/DrumSnare.wav
        ${SELVANE_PROGRAM_DIR}/Sounds/DrumTom.wav ${corpus}
    DEPENDS fuzz_wave_file_seeds selvane_drum_sounds
    COMMENT "Seeding the fuzz_wave_file corpus"
    VERBATIM
)
add_custom_target(fuzz_wave_file_corpus ALL DEPENDS ${corpus}/pcm16.wav)
