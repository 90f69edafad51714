# The program itself on a real X server that each test starts on a display
# number of its own, with real keys and clicks sent through it: on Qt's
# default event dispatcher (GLib), on Qt's own, and under a window manager.
# operator_input.py works the menus and dialogs of the main window,
# window_dialogs.py the trend window's file dialogs and the end of the
# program under them, events_window.py the events window's acknowledgement,
# trend_charts.py a log file as a chart in vtx500-trend and in the monitor's
# trend window. Each has its own display, simulator link and settings
# store, and names no machine port (VTX500_SERIAL_PORTS is empty), so they
# run side by side. They take the longest: a high cost starts them first.
foreach(script IN ITEMS input dialogs events charts)
  set(file ${CMAKE_CURRENT_SOURCE_DIR}/x11/operator_input.py)
  if(script STREQUAL "dialogs")
    set(file ${CMAKE_CURRENT_SOURCE_DIR}/x11/window_dialogs.py)
  elseif(script STREQUAL "events")
    set(file ${CMAKE_CURRENT_SOURCE_DIR}/x11/events_window.py)
  elseif(script STREQUAL "charts")
    set(file ${CMAKE_CURRENT_SOURCE_DIR}/x11/trend_charts.py)
  endif()
  foreach(variant IN ITEMS ";" "_noglib;--no-glib" "_wm;--window-manager")
    list(GET variant 0 suffix)
    list(GET variant 1 option)
    set(name x11_${script}${suffix})
    add_test(NAME ${name} COMMAND python3 ${file} ${CMAKE_BINARY_DIR} ${option})
    set_tests_properties(${name} PROPERTIES
      TIMEOUT 900
      COST 1000
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endforeach()
endforeach()
