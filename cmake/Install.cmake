# The installed program is one folder: the executable, its help file beside it (the Help menu
# looks there), a desktop entry and its icon. The executable and the help file are installed
# by the top-level list; this adds the desktop entry and the icon.
set(HOROLUX_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/../resources)
install(FILES ${HOROLUX_RESOURCES}/horolux.png DESTINATION .)
# The scalable source of the same picture, for desktops that look the icon up by theme.
install(FILES ${HOROLUX_RESOURCES}/horolux.svg DESTINATION share/icons/hicolor/scalable/apps)
install(CODE "set(HOROLUX_DESKTOP_TEMPLATE \"${HOROLUX_RESOURCES}/horolux.desktop\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallDesktopEntry.cmake)

# Installs the build into a scratch folder and checks that the folder is complete.
if(BUILD_TESTING)
    add_test(NAME install_layout COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${CMAKE_BINARY_DIR} -DWORK_DIR=${CMAKE_BINARY_DIR}/install-check
        -P ${CMAKE_CURRENT_LIST_DIR}/CheckInstall.cmake)
endif()
