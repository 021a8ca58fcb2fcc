# The Visual Display tab's tick on the simulated chip: its cost, its memory over a long run, and
# its rate against the bus when every transfer takes as long as on a 100 kHz SMBus.
add_executable(bench_display ${CMAKE_CURRENT_LIST_DIR}/display.cpp)
target_link_libraries(bench_display PRIVATE display buslink bench_qt_main benchmark::benchmark)
