fangji_add_test(test_files SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_files.cpp LIBS fangji_admin fangji_files_core)
add_dependencies(test_files fangji_working_gif)
