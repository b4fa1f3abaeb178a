# The file windows: backup and restore, import, background picture.
# Their logic lives in fangji_files_core (QtCore and the store only).
add_library(fangji_files_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/backup_restore.h ${CMAKE_CURRENT_LIST_DIR}/backup_restore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_store.h ${CMAKE_CURRENT_LIST_DIR}/picture_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/prescription_import.h ${CMAKE_CURRENT_LIST_DIR}/prescription_import.cpp
)
target_include_directories(fangji_files_core PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(fangji_files_core PUBLIC Qt6::Core fangji_store)

target_link_libraries(fangji_admin PUBLIC fangji_files_core)

# The busy animation shown while a copy runs, beside the program and installed with it.
set(FANGJI_WORKING_GIF ${PROJECT_SOURCE_DIR}/resources/working.gif)
add_custom_command(
    OUTPUT ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/working.gif
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${FANGJI_WORKING_GIF} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/working.gif
    DEPENDS ${FANGJI_WORKING_GIF}
    COMMENT "Copying working.gif beside the program")
add_custom_target(fangji_working_gif ALL DEPENDS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/working.gif)
add_dependencies(fangji_admin fangji_working_gif)
install(FILES ${FANGJI_WORKING_GIF} DESTINATION ${CMAKE_INSTALL_DATADIR}/fangji)
