# The first-use logic (password hashing, the password and profile rows, text rules),
# without widgets, and its link into the administration windows.
add_library(fangji_firstuse_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/password_hash.h ${CMAKE_CURRENT_LIST_DIR}/password_hash.cpp
    ${CMAKE_CURRENT_LIST_DIR}/firstuse_rules.h ${CMAKE_CURRENT_LIST_DIR}/firstuse_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/firstuse_store.h ${CMAKE_CURRENT_LIST_DIR}/firstuse_store.cpp
)
target_include_directories(fangji_firstuse_core PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(fangji_firstuse_core PUBLIC Qt6::Core fangji_store PRIVATE OpenSSL::Crypto)
target_link_libraries(fangji_admin PUBLIC fangji_firstuse_core)
