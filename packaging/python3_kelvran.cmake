# python3-kelvran: the kelvran Python module and its pytest plugin (src/python), as Debian's Python
# policy has a module: under /usr/lib/python3/dist-packages with its dist-info, byte-compiled on
# installation and cleaned on removal as dh_python3's scripts do.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kelvran)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# The extension is built for this Python 3 only; shlibdeps adds the libraries it links.
math(EXPR kelvran_next_minor "${KELVRAN_PYTHON_MINOR} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "python3 (>= 3.${KELVRAN_PYTHON_MINOR}~), python3 (<< 3.${kelvran_next_minor})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-pandas, python3-pytest")
string(CONCAT CPACK_DEBIAN_PYTHON_DESCRIPTION
  "KELVRAN hardware-monitor chip from Python\n"
  "Finds the KELVRAN chip on an evaluation board or the SMBus, reads and\n"
  "writes its registers by name, samples its channels in volts, degrees and\n"
  "RPM with their limits and alarms, and saves and restores register\n"
  "snapshots. A simulated chip with time-shaped inputs and fault injection\n"
  "runs tests without the hardware.\n"
  "\n"
  "The pytest plugin gives a board's test suite the simulated chip in CI and\n"
  "the real board with --kelvran-bus. Recordings read into pandas\n"
  "DataFrames (python3-pandas).")
foreach(script postinst prerm)
  configure_file(debian/python3-kelvran.${script} ${kelvran_control_dir}/python/${script} COPYONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
  ${kelvran_control_dir}/python/postinst ${kelvran_control_dir}/python/prerm)
install(FILES debian/copyright DESTINATION share/doc/python3-kelvran COMPONENT python)
install(FILES ${kelvran_gz_dir}/changelog.gz DESTINATION share/doc/python3-kelvran
  COMPONENT python)
