# Import, backup and restore at 1,000, 10,000 and 100,000 prescriptions (built on request only).
add_executable(files_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/files_bench.cpp)
target_link_libraries(files_bench PRIVATE fangji_corpus fangji_files_core)
add_dependencies(files_bench fangji_template)
