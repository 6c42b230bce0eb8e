# Two install layouts. By default the GNU layout of a system or user prefix: bin/horolux, the
# clock-setting helper under libexec/horolux (the program looks there, relative to bin), the help
# file under share/horolux, and the desktop entry, icons and AppStream data where desktops look.
# With HOROLUX_PORTABLE_INSTALL, one folder: the executable, helper, help file, desktop entry and
# icon side by side (the program then keeps its settings in that folder).
set(HOROLUX_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/../resources)
set(HOROLUX_PACKAGING ${CMAKE_CURRENT_LIST_DIR}/../packaging)

if(HOROLUX_PORTABLE_INSTALL)
    install(TARGETS horolux horolux-settime RUNTIME DESTINATION .)
    install(FILES ${HOROLUX_HELP_FILE} ${HOROLUX_RESOURCES}/horolux.png
        ${CMAKE_CURRENT_LIST_DIR}/../LICENSE DESTINATION .)
    # The scalable source of the same picture, for desktops that look the icon up by theme.
    install(FILES ${HOROLUX_RESOURCES}/horolux.svg DESTINATION share/icons/hicolor/scalable/apps)
    install(CODE "set(HOROLUX_DESKTOP_TEMPLATE \"${HOROLUX_RESOURCES}/horolux.desktop\")")
    install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallDesktopEntry.cmake)
else()
    install(TARGETS horolux RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(TARGETS horolux-settime RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/horolux)
    install(FILES ${HOROLUX_HELP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/horolux)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/../README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
    # A site served by gpsd and chrony: the configurations the README's section describes.
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/examples/gpsd.default
        ${CMAKE_CURRENT_LIST_DIR}/../packaging/examples/chrony-gps.conf
        ${CMAKE_CURRENT_LIST_DIR}/../packaging/examples/ports.conf
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    foreach(size 16 32)
        install(FILES ${HOROLUX_RESOURCES}/icons/horolux-${size}.png
            DESTINATION ${icons}/${size}x${size}/apps RENAME horolux.png)
    endforeach()
    install(FILES ${HOROLUX_RESOURCES}/horolux.png DESTINATION ${icons}/128x128/apps)
    install(FILES ${HOROLUX_RESOURCES}/horolux.svg DESTINATION ${icons}/scalable/apps)

    # On the PATH and in the icon theme, so the entry names both plainly.
    set(HOROLUX_EXEC horolux)
    set(HOROLUX_ICON horolux)
    set(entry ${CMAKE_CURRENT_BINARY_DIR}/horolux.desktop)
    configure_file(${HOROLUX_RESOURCES}/horolux.desktop ${entry} @ONLY)
    install(FILES ${entry} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # Not started at log-in unless the user copies it into ~/.config/autostart.
    install(FILES ${entry} DESTINATION ${CMAKE_INSTALL_DATADIR}/horolux/autostart)

    set(metainfo ${CMAKE_CURRENT_BINARY_DIR}/horolux.metainfo.xml)
    configure_file(${HOROLUX_RESOURCES}/horolux.metainfo.xml ${metainfo} @ONLY)
    install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    include(${CMAKE_CURRENT_LIST_DIR}/InstallDebianDocs.cmake)
endif()

# Installs the build into a scratch folder and checks the layout.
if(BUILD_TESTING)
    add_test(NAME install_layout COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${CMAKE_BINARY_DIR} -DWORK_DIR=${CMAKE_BINARY_DIR}/install-check
        -DPORTABLE=${HOROLUX_PORTABLE_INSTALL}
        -P ${CMAKE_CURRENT_LIST_DIR}/CheckInstall.cmake)
endif()
