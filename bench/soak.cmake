add_executable(bench_soak ${CMAKE_CURRENT_LIST_DIR}/soak.cpp)
target_link_libraries(bench_soak PRIVATE access chip buslink benchmark::benchmark)
