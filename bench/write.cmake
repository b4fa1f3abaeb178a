# The writing commands of fangji-cli (add, import, backup, restore) run as processes, with
# the floors they are measured against (make bench).
add_executable(write_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/write_bench.cpp)
target_link_libraries(write_bench PRIVATE fangji_corpus OpenSSL::Crypto)
add_dependencies(write_bench fangji_template fangji-cli)
