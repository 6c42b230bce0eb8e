# Test: `cmake --install` into a fresh folder (its name has a space, as a user's may) gives the
# executable, the clock-setting helper, the help file, the icon and a desktop entry that names them by absolute path.
# Expects BUILD_DIR and WORK_DIR.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/Horolux 1")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed:\n${output}")
endif()

foreach(name horolux horolux-settime Horolux.hlp horolux.png horolux.desktop
        share/icons/hicolor/scalable/apps/horolux.svg)
    if(NOT EXISTS "${prefix}/${name}")
        message(FATAL_ERROR "missing after install: ${name}")
    endif()
endforeach()
file(SIZE "${prefix}/Horolux.hlp" help_size)
if(help_size EQUAL 0)
    message(FATAL_ERROR "the installed help file is empty")
endif()
execute_process(COMMAND test -x "${prefix}/horolux" RESULT_VARIABLE not_executable)
if(not_executable)
    message(FATAL_ERROR "the installed horolux is not executable")
endif()

file(STRINGS "${prefix}/horolux.desktop" entry)
foreach(expected "Exec=\"${prefix}/horolux\"" "Icon=${prefix}/horolux.png" "Name=Horolux"
        "Type=Application")
    if(NOT expected IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks the line ${expected}:\n${entry}")
    endif()
endforeach()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
    execute_process(COMMAND ${VALIDATE} "${prefix}/horolux.desktop"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "desktop-file-validate:\n${output}")
    endif()
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "installed folder complete")
