vtx_add_test(tst_configuration SOURCES tst_configuration.cpp)
# The main loop's steps (polling, setting transfer, discovery) against a
# scripted component.
vtx_add_test(tst_steps SOURCES tst_steps.cpp)
vtx_add_test(tst_monitorapp SOURCES tst_monitorapp.cpp)
