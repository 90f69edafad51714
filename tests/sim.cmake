# Everything that runs over the instrument simulator on a pty: the
# communication component, setting transfer and discovery.
vtx_add_test(tst_line_sim SOURCES tst_line_sim.cpp)
