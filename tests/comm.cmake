# The line protocol and the communication component.
vtx_add_test(tst_frame SOURCES tst_frame.cpp)
vtx_add_test(tst_vtx_sim SOURCES tst_vtx_sim.cpp)
