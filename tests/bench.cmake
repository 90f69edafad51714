# What runs while a step of the main loop waits on the line.
vtx_add_test(tst_busystep SOURCES tst_busystep.cpp)
