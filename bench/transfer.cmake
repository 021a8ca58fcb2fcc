add_executable(bench_transfer ${CMAKE_CURRENT_LIST_DIR}/transfer.cpp)
target_link_libraries(bench_transfer PRIVATE access benchmark::benchmark)
