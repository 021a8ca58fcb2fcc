# Reading a long recording for review (rate and memory per row) and a frame of its chart.
add_executable(bench_review ${CMAKE_CURRENT_LIST_DIR}/review.cpp)
target_link_libraries(bench_review PRIVATE review recording_generator bench_qt_main
                      benchmark::benchmark)
