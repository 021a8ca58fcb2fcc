# The terminal program as its users run it: the kelvran binary started as a whole process.
add_executable(bench_cli cli.cpp)
target_link_libraries(bench_cli PRIVATE benchmark::benchmark)
add_dependencies(bench_cli kelvran)
target_compile_definitions(bench_cli PRIVATE KELVRAN_PROGRAM="$<TARGET_FILE:kelvran>")
