# One register transfer through the bit-banged printer-port master, over simulated wires.
add_executable(ppdev_bitbang
  ${CMAKE_CURRENT_LIST_DIR}/ppdev_bitbang.cpp
  ${PROJECT_SOURCE_DIR}/tests/buslink/linux/simulated_board.cpp)
target_include_directories(ppdev_bitbang PRIVATE
  ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests/buslink/linux)
target_link_libraries(ppdev_bitbang PRIVATE buslink benchmark::benchmark)
