# The export of a result as CSV and as an Excel workbook at 1,000, 10,000 and 100,000 prescriptions (make bench).
add_executable(export_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
target_link_libraries(export_bench PRIVATE fangji_corpus fangji_query_core)
add_dependencies(export_bench fangji_template)
