# kelvran serve's exporter on the simulated chip: a scrape in-process, and over loopback HTTP.
add_executable(bench_exporter ${CMAKE_CURRENT_LIST_DIR}/exporter.cpp)
target_link_libraries(bench_exporter PRIVATE exporter benchmark::benchmark)

# The same over HTTPS with a password, against plain HTTP; and a TLS handshake's cost.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BENCH_GNUTLS REQUIRED IMPORTED_TARGET gnutls)
add_executable(bench_exporter_tls ${CMAKE_CURRENT_LIST_DIR}/exporter_tls.cpp)
target_link_libraries(bench_exporter_tls PRIVATE exporter benchmark::benchmark
  PkgConfig::BENCH_GNUTLS)
