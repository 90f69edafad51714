# The program itself on a real X server that each test starts on a display
# number of its own, with real keys and clicks sent through it: on Qt's
# default event dispatcher (GLib), on Qt's own, and under a window manager.
# Each has its own display, simulator link and settings store, and names no
# machine port (VTX500_SERIAL_PORTS is empty), so they run side by side.
# They take the longest: a high cost starts them first.
set(x11_input ${CMAKE_CURRENT_SOURCE_DIR}/x11/operator_input.py)
set(x11_variants "x11_input\;" "x11_input_noglib\;--no-glib" "x11_input_wm\;--window-manager")
foreach(variant IN LISTS x11_variants)
  list(GET variant 0 name)
  list(GET variant 1 option)
  add_test(NAME ${name} COMMAND python3 ${x11_input} ${CMAKE_BINARY_DIR} ${option})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 900
    COST 1000
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endforeach()
