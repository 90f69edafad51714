# --help of the monitor and the trend viewer on a console: usage, status 0, no
# file written; any other argument of the monitor: usage and status 2.
add_test(NAME command_line COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/command_line.py ${CMAKE_BINARY_DIR})
set_tests_properties(command_line PROPERTIES TIMEOUT 120 ENVIRONMENT
  "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
