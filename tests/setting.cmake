# The setting dialog.
vtx_add_test(tst_setting SOURCES tst_setting.cpp)
