# The main window's CPU share while it monitors, on the offscreen platform and the simulated chip.
add_executable(bench_window_cpu ${CMAKE_CURRENT_LIST_DIR}/window_cpu.cpp)
target_link_libraries(bench_window_cpu PRIVATE display buslink bench_qt_main benchmark::benchmark)
