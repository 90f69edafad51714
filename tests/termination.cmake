# The program itself, on an X server of its own, ends in order on SIGTERM:
# before its loop, with a message box open (seen on the screen first), and in
# the middle of a long step.
add_test(NAME termination_signal
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/termination.py ${CMAKE_BINARY_DIR})
set_tests_properties(termination_signal PROPERTIES
  TIMEOUT 300
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
