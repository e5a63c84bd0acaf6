# The recent-file list's INI reading, escaping and menu abbreviation on arbitrary bytes, and the
# reading places kept beside it. Their two sources are compiled in, without the rest of the
# session's library and the scene below it.
selvane_add_fuzzer(fuzz_recent_files
    ${CMAKE_CURRENT_LIST_DIR}/FuzzRecentFiles.cpp
    ${PROJECT_SOURCE_DIR}/session/RecentFileList.cpp
    ${PROJECT_SOURCE_DIR}/session/ResumeList.cpp
)
target_link_libraries(fuzz_recent_files PRIVATE selvane_options)
