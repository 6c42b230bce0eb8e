# End-to-end tests: the real program, copied into a folder of its own, run on a virtual desktop
# (Xvfb, trayer) under its own wall clock (the clock shim), and played with xdotool. They carry
# the label "e2e": ctest -L e2e runs them, ctest -LE e2e the rest.
add_library(horolux_e2esupport STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ChildProcess.h
    ${CMAKE_CURRENT_LIST_DIR}/EndToEndTest.h ${CMAKE_CURRENT_LIST_DIR}/EndToEndTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GpsdPeer.h ${CMAKE_CURRENT_LIST_DIR}/GpsdPeer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LineRelay.h ${CMAKE_CURRENT_LIST_DIR}/LineRelay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramCopy.h ${CMAKE_CURRENT_LIST_DIR}/ProgramCopy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VirtualDesktop.h ${CMAKE_CURRENT_LIST_DIR}/VirtualDesktop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaitUntil.h
)
target_include_directories(horolux_e2esupport PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(horolux_e2esupport PUBLIC horolux_testsupport)
target_compile_definitions(horolux_e2esupport PRIVATE
    HOROLUX_EXECUTABLE="$<TARGET_FILE:horolux>"
    HOROLUX_CLOCKSHIM="$<TARGET_FILE:horolux_clockshim>")

# Each program of the label needs the executable, its help file and the shim built.
function(horolux_e2e_program name)
    target_link_libraries(${name} PRIVATE horolux_e2esupport)
    add_dependencies(${name} horolux horolux_clockshim)
endfunction()

file(GLOB e2e_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tst_*.cpp)
foreach(source ${e2e_sources})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    horolux_e2e_program(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT 90
        ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endforeach()

# The single-instance test of the start-up code runs the real program too.
if(TARGET tst_duplicate)
    horolux_e2e_program(tst_duplicate)
    set_tests_properties(tst_duplicate PROPERTIES LABELS e2e)
endif()

# The gpsd check of the transmitted sentence uses the same gpsd peer.
if(TARGET tst_gpsd)
    target_link_libraries(tst_gpsd PRIVATE horolux_e2esupport)
endif()

# gpsd's NTP segments have fixed keys: two gpsd tests at once would share them.
if(TARGET tst_gpsd AND TARGET tst_e2eclock)
    set_tests_properties(tst_gpsd tst_e2eclock tst_e2egpsd PROPERTIES RESOURCE_LOCK gpsd)
endif()

# Programs on virtual desktops start one at a time: the unit tests still run beside them, and a
# slow start under a loaded parallel run no longer races another desktop's.
get_property(e2e_tests DIRECTORY PROPERTY TESTS)
foreach(test ${e2e_tests})
    get_test_property(${test} LABELS labels)
    get_test_property(${test} RESOURCE_LOCK locks)
    if(labels MATCHES "e2e")
        if(NOT locks)
            set(locks desktop)
        else()
            list(APPEND locks desktop)
        endif()
        set_tests_properties(${test} PROPERTIES RESOURCE_LOCK "${locks}")
    endif()
endforeach()

# A copy of the program given a harmless capability gives it back at start.
add_test(NAME capdrop COMMAND ${CMAKE_CURRENT_LIST_DIR}/capdrop.sh $<TARGET_FILE:horolux>)
set_tests_properties(capdrop PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 60)
