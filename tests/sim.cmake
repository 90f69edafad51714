# The instrument simulator: its rules, its frames, and the program itself.
vtx_add_test(tst_sim_instrument SOURCES tst_sim_instrument.cpp LIBS vtxsim)
vtx_add_test(tst_sim_frame SOURCES tst_sim_frame.cpp LIBS vtxsim)
vtx_add_test(tst_sim_bus SOURCES tst_sim_bus.cpp LIBS vtxsim)
vtx_add_test(tst_sim_process SOURCES tst_sim_process.cpp LIBS vtxsim)

# An outside check of the wire bytes, written without the simulator's code.
add_test(NAME sim_protocol_client
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/protocol_client.py $<TARGET_FILE:vtx500-sim>)
set_tests_properties(sim_protocol_client PROPERTIES TIMEOUT 60)
