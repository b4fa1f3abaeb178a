fangji_add_test(test_shell SOURCES test_shell.cpp LIBS fangji_app)
fangji_add_test(test_workday SOURCES test_workday.cpp LIBS fangji_app)
# The window program itself answers --version and --help without a display.
add_dependencies(test_shell fangji)
