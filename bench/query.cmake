# The query window's benchmark (make bench): generation, query, listing, window opening, peak memory.
add_executable(fangji_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/fangji_bench.cpp)
target_link_libraries(fangji_bench PRIVATE fangji_corpus fangji_dictionary fangji_query)
add_dependencies(fangji_bench fangji_template)
