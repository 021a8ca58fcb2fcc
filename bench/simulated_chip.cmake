# One read of the simulated chip: stopped, converting constant inputs, and converting the built-in
# bench's shaped inputs; one ReadRegister through the whole path on the built-in bench.
add_executable(bench_simulated_chip ${CMAKE_CURRENT_LIST_DIR}/simulated_chip.cpp)
target_link_libraries(bench_simulated_chip PRIVATE access buslink benchmark::benchmark)
