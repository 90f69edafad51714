# The instrument simulator: its rules and frames, and the program from the outside.
vtx_add_test(tst_sim SOURCES tst_sim.cpp LIBS vtxsim)

# An outside check of the wire bytes, written without the simulator's code.
add_test(NAME sim_protocol_client
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/protocol_client.py $<TARGET_FILE:vtx500-sim>)
set_tests_properties(sim_protocol_client PROPERTIES TIMEOUT 60)
