# The monitor window's pieces: polling and the panels, menus and help, the
# splash and about boxes and the real message boxes.
vtx_add_test(tst_polling SOURCES tst_polling.cpp)
vtx_add_test(tst_panels SOURCES tst_panels.cpp)
vtx_add_test(tst_about SOURCES tst_about.cpp)

vtx_add_test(tst_menu SOURCES tst_menu.cpp)
# The help command opens the manual next to the program, as installed.
add_custom_command(TARGET tst_menu POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/ui/resources/PLMVX001M $<TARGET_FILE_DIR:tst_menu>/PLMVX001M)
