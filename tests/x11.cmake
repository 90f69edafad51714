# The program itself on a real X server that each test starts on a display
# number of its own, with real keys and clicks sent through it: on Qt's
# default event dispatcher (GLib), on Qt's own, and under a window manager.
# Discovery tries the machine's COM1 and COM2 too, which two monitors cannot
# hold at once: these tests take turns.
set(x11_input ${CMAKE_CURRENT_SOURCE_DIR}/x11/operator_input.py)
set(x11_variants "x11_input\;" "x11_input_noglib\;--no-glib" "x11_input_wm\;--window-manager")
foreach(variant IN LISTS x11_variants)
  list(GET variant 0 name)
  list(GET variant 1 option)
  add_test(NAME ${name} COMMAND python3 ${x11_input} ${CMAKE_BINARY_DIR} ${option})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 900
    RESOURCE_LOCK serial_ports
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endforeach()
# The trend window's file dialogs and the end of the program under them,
# while the line is busy. Its monitors probe no serial port of the machine
# (VTX500_SERIAL_PORTS is empty), so these need no turn.
set(x11_dialogs ${CMAKE_CURRENT_SOURCE_DIR}/x11/window_dialogs.py)
set(x11_dialog_variants "x11_dialogs\;" "x11_dialogs_noglib\;--no-glib" "x11_dialogs_wm\;--window-manager")
foreach(variant IN LISTS x11_dialog_variants)
  list(GET variant 0 name)
  list(GET variant 1 option)
  add_test(NAME ${name} COMMAND python3 ${x11_dialogs} ${CMAKE_BINARY_DIR} ${option})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 900
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endforeach()
