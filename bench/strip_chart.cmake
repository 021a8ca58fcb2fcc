add_executable(bench_strip_chart ${CMAKE_CURRENT_LIST_DIR}/strip_chart.cpp)
target_link_libraries(bench_strip_chart PRIVATE chart bench_qt_main benchmark::benchmark)
