# A Debian package of the GNU layout: `cpack -G DEB` in a release build folder gives
# horolux_<version>_<arch>.deb. Its Depends lists the shared libraries' packages (dpkg-shlibdeps)
# and what the maintainer scripts and the main window need.
if(HOROLUX_PORTABLE_INSTALL)
    return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME horolux)
set(CPACK_PACKAGE_CONTACT "Horolux maintainers <maintainers@users.noreply.c-seed-c17f12ec.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set the computer's clock from a GPS receiver")
# The control file's lines stay within 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Horolux reads $GPRMC sentences from a GPS receiver on a serial port\n"
    "and sets the system clock from them; it can also send a simulated\n"
    "$GPRMC once a minute to a GPS master clock. A small helper, usable by\n"
    "the members of the group horolux, is the only part allowed to set the\n"
    "clock.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The main window's font; setcap and addgroup for the maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, libcap2-bin, adduser")

set(HOROLUX_INSTALLED_HELPER
    ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/horolux/horolux-settime)
foreach(script postinst prerm postrm)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/../packaging/debian/${script}
        ${CMAKE_CURRENT_BINARY_DIR}/debian/${script} @ONLY)
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
