vtx_add_test(tst_logwriter SOURCES tst_logwriter.cpp)
vtx_add_test(tst_logtdialog SOURCES tst_logtdialog.cpp)
