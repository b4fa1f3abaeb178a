fangji_add_test(test_look SOURCES test_look.cpp LIBS fangji_app)
