# The Python module as its users run it: the interpreter started as a whole process, beside the
# kelvran program doing the same work in the same run.
add_executable(bench_python python.cpp)
target_link_libraries(bench_python PRIVATE benchmark::benchmark)
add_dependencies(bench_python kelvran kelvran_python)
target_compile_definitions(bench_python PRIVATE
  KELVRAN_PROGRAM="$<TARGET_FILE:kelvran>"
  KELVRAN_PYTHON="${KELVRAN_PYTHON}"
  KELVRAN_PYTHON_DIR="${KELVRAN_PYTHON_DIR}"
  KELVRAN_BENCH_DIR="${CMAKE_CURRENT_BINARY_DIR}")
