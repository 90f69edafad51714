vtx_add_test(tst_configuration SOURCES tst_configuration.cpp)
vtx_add_test(tst_discovery SOURCES tst_discovery.cpp)
vtx_add_test(tst_monitorapp SOURCES tst_monitorapp.cpp)
