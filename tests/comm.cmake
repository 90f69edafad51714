# The line protocol without a port; the communication component on a real pty
# is in sim.cmake.
vtx_add_test(tst_frame SOURCES tst_frame.cpp)
