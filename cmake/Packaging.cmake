# Installation of the desktop entry, icon, manual pages and package documents, and the
# Debian package (make package).
install(FILES ${PROJECT_SOURCE_DIR}/resources/fangji.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/fangji.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/fangji-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME fangji.png)

# The manual pages' heading names the project's version (@PROJECT_VERSION@ in man/).
foreach(page fangji.1 fangji-cli.1)
    configure_file(${PROJECT_SOURCE_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
endforeach()

# Manual pages and the package's change log go out compressed, as Debian ships them
# (gzip -n: no name or time in the header, so the package builds the same every time).
set(FANGJI_COMPRESSED ${CMAKE_BINARY_DIR}/compressed)
set(FANGJI_COMPRESSED_FILES)
foreach(source ${CMAKE_BINARY_DIR}/man/fangji.1 ${CMAKE_BINARY_DIR}/man/fangji-cli.1
               ${PROJECT_SOURCE_DIR}/packaging/changelog)
    get_filename_component(name ${source} NAME)
    if(name STREQUAL "changelog")
        set(name changelog.Debian)
    endif()
    set(output ${FANGJI_COMPRESSED}/${name}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${FANGJI_COMPRESSED}
        COMMAND gzip -9nc ${source} > ${output}
        DEPENDS ${source}
        VERBATIM)
    list(APPEND FANGJI_COMPRESSED_FILES ${output})
endforeach()
add_custom_target(fangji_documents ALL DEPENDS ${FANGJI_COMPRESSED_FILES})
install(FILES ${FANGJI_COMPRESSED}/fangji.1.gz ${FANGJI_COMPRESSED}/fangji-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${FANGJI_COMPRESSED}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/fangji)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME fangji)

set(CPACK_PACKAGE_NAME fangji)
set(CPACK_PACKAGE_VENDOR "fangji developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# The change log is written by hand, one entry per release: its newest entry must be the
# version being packaged.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog FANGJI_NEWEST_CHANGE LIMIT_COUNT 1)
string(REGEX MATCH "^fangji \\(([^)]*)\\)" FANGJI_NEWEST_CHANGE "${FANGJI_NEWEST_CHANGE}")
if(NOT CMAKE_MATCH_1 STREQUAL "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
    message(FATAL_ERROR "packaging/changelog: the newest entry is for version \"${CMAKE_MATCH_1}\", "
                        "the package is ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Traditional Chinese Medicine prescriptions: records, queries, printing")
set(CPACK_PACKAGE_DESCRIPTION
    "fangji keeps a doctor's or a small clinic's Traditional Chinese Medicine
prescriptions in one password-protected database file. Prescriptions are
entered, edited and deleted in an entry window, queried with up to fourteen
contains criteria picked from term dictionaries generated from the texts,
browsed in a grid with a detail page, and printed through a word processor
or the program's own print window. Logins, the clinic profile, backups,
imports and the main window's background picture are looked after from the
maintenance menu. The interface is in Simplified Chinese.

The package also holds fangji-cli, a command-line companion that adds,
searches, exports, backs up and restores the same data without a display.")
set(CPACK_PACKAGE_CONTACT "fangji developers <fangji@hesu-soft.cn>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://hesu-soft.cn/fangji")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows name 宋体 and 楷体_GB2312: without these faces every caption is empty boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, fonts-arphic-ukai")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, qt6-translations-l10n, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
