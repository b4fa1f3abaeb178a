# The query window's benchmark (make bench): generation, search, window opening and its pauses, peak memory.
add_executable(fangji_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/fangji_bench.cpp)
target_link_libraries(fangji_bench PRIVATE fangji_corpus fangji_dictionary fangji_query)
# fangji-cli is timed as a process, from beside the benchmark.
add_dependencies(fangji_bench fangji_template fangji-cli)
