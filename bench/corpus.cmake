# The seeded corpus of realistic prescriptions, for the benchmarks.
add_library(fangji_corpus STATIC
    ${CMAKE_CURRENT_LIST_DIR}/corpus.h
    ${CMAKE_CURRENT_LIST_DIR}/corpus.cpp
)
target_include_directories(fangji_corpus PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(fangji_corpus PUBLIC fangji_store Qt6::Core)

# Dictionary generation at 1,000, 10,000 and 100,000 prescriptions (built on request only).
add_executable(dict_bench EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/dict_bench.cpp)
target_link_libraries(dict_bench PRIVATE fangji_corpus fangji_dictionary_core)
add_dependencies(dict_bench fangji_template)
