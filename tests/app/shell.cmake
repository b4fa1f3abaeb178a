fangji_add_test(test_shell SOURCES test_shell.cpp LIBS fangji_app)
