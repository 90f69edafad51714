vtx_add_test(tst_trend SOURCES tst_trend.cpp)
