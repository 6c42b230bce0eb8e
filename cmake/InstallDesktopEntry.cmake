# Runs at install time: writes horolux.desktop into the installed folder with that folder's
# absolute paths, since a desktop entry cannot name files relative to itself.
# Expects HOROLUX_DESKTOP_TEMPLATE; CMAKE_INSTALL_PREFIX and DESTDIR are the install's own.
get_filename_component(dir "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)

# Exec takes a quoted argument: \ " ` $ are escaped inside the quotes and % is doubled; the
# entry's string level then doubles every backslash.
set(exec "${dir}/horolux")
string(REPLACE "\\" "\\\\" exec "${exec}")
foreach(special "\"" "`" "$")
    string(REPLACE "${special}" "\\${special}" exec "${exec}")
endforeach()
string(REPLACE "%" "%%" exec "${exec}")
set(HOROLUX_EXEC "\"${exec}\"")
string(REPLACE "\\" "\\\\" HOROLUX_EXEC "${HOROLUX_EXEC}")

set(HOROLUX_ICON "${dir}/horolux.png")
string(REPLACE "\\" "\\\\" HOROLUX_ICON "${HOROLUX_ICON}")

set(entry "$ENV{DESTDIR}${dir}/horolux.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${HOROLUX_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
