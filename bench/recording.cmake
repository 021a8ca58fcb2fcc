add_executable(bench_recording ${CMAKE_CURRENT_LIST_DIR}/recording.cpp)
target_link_libraries(bench_recording PRIVATE chip benchmark::benchmark)
