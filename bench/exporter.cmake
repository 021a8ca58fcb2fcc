# kelvran serve's exporter on the simulated chip: a scrape in-process, and over loopback HTTP.
add_executable(bench_exporter ${CMAKE_CURRENT_LIST_DIR}/exporter.cpp)
target_link_libraries(bench_exporter PRIVATE exporter benchmark::benchmark)
