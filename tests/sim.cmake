# The instrument simulator's own rules, and everything that runs over it on a
# pty: the communication component, polling, setting transfer and discovery.
vtx_add_test(tst_sim SOURCES tst_sim.cpp LIBS vtxsim)
vtx_add_test(tst_line_sim SOURCES tst_line_sim.cpp)

# An outside check of the wire bytes, written without the simulator's code.
add_test(NAME sim_protocol_client
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/protocol_client.py $<TARGET_FILE:vtx500-sim>)
set_tests_properties(sim_protocol_client PROPERTIES TIMEOUT 60)
