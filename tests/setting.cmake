# The setting dialog and setting transfer.
vtx_add_test(tst_setting SOURCES tst_setting.cpp)
vtx_add_test(tst_transfer SOURCES tst_transfer.cpp)
