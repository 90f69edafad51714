# The monitor window's pieces: the panels, menus and help, the about box and
# the real message boxes.
vtx_add_test(tst_window SOURCES tst_window.cpp)
# The help command opens the manual next to the program, as installed.
add_custom_command(TARGET tst_window POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/ui/resources/PLMVX001M $<TARGET_FILE_DIR:tst_window>/PLMVX001M)
# The operator's input held during a step and handed on after it.
vtx_add_test(tst_inputhold SOURCES tst_inputhold.cpp)
