# Test: `cmake --install` into a fresh prefix (its name has a space, as a user's may) gives the
# layout the build chose. GNU layout: the program on bin, the helper under libexec/horolux, the
# help file, desktop entry, autostart entry, icons, valid AppStream data, copyright, changelog
# and manual pages under share.
# Portable (PORTABLE true): one folder whose desktop entry names its files by absolute path.
# Expects BUILD_DIR, WORK_DIR and PORTABLE.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/Horolux 1")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed:\n${output}")
endif()

function(run_check) # command...
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN}:\n${output}")
    endif()
endfunction()

function(expect_lines file) # lines...
    file(STRINGS "${file}" entry)
    foreach(expected ${ARGN})
        if(NOT expected IN_LIST entry)
            message(FATAL_ERROR "${file} lacks the line ${expected}:\n${entry}")
        endif()
    endforeach()
endfunction()

if(PORTABLE)
    set(program horolux)
    set(help Horolux.hlp)
    set(entries horolux.desktop)
    set(files horolux-settime horolux.png LICENSE)
    set(entry_lines "Exec=\"${prefix}/horolux\"" "Icon=${prefix}/horolux.png")
else()
    set(program bin/horolux)
    set(help share/horolux/Horolux.hlp)
    set(entries share/applications/horolux.desktop share/horolux/autostart/horolux.desktop)
    set(files libexec/horolux/horolux-settime share/doc/horolux/README.md
        share/doc/horolux/examples/chrony-gps.conf share/doc/horolux/examples/gpsd.default
        share/metainfo/horolux.metainfo.xml share/icons/hicolor/16x16/apps/horolux.png
        share/icons/hicolor/32x32/apps/horolux.png share/icons/hicolor/128x128/apps/horolux.png
        share/doc/horolux/copyright share/doc/horolux/changelog.gz share/man/man1/horolux.1.gz
        share/man/man8/horolux-settime.8.gz)
    set(entry_lines "Exec=horolux" "Icon=horolux")
endif()

foreach(name ${program} ${help} ${entries} ${files} share/icons/hicolor/scalable/apps/horolux.svg)
    if(NOT EXISTS "${prefix}/${name}")
        message(FATAL_ERROR "missing after install: ${name}")
    endif()
endforeach()
file(SIZE "${prefix}/${help}" help_size)
if(help_size EQUAL 0)
    message(FATAL_ERROR "the installed help file is empty")
endif()
run_check(test -x "${prefix}/${program}")

find_program(VALIDATE desktop-file-validate)
foreach(entry ${entries})
    expect_lines("${prefix}/${entry}" ${entry_lines} "Name=Horolux" "Type=Application")
    if(VALIDATE)
        run_check(${VALIDATE} "${prefix}/${entry}")
    endif()
endforeach()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI AND NOT PORTABLE)
    run_check(${APPSTREAMCLI} validate --no-net "${prefix}/share/metainfo/horolux.metainfo.xml")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "installed layout complete")
