# The documents a Debian system expects of every package: the copyright and licence in the
# machine-readable form under the doc folder, the changelog and the manual pages, the last two
# compressed without a name or time stamp so that every build gives the same bytes.
find_program(HOROLUX_GZIP gzip REQUIRED)

set(changelog ${HOROLUX_PACKAGING}/debian/changelog)
file(STRINGS ${changelog} newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^horolux \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "${changelog} does not begin with an entry for ${PROJECT_VERSION}: ${newest}")
endif()

set(compressed)
function(horolux_compress source name) # adds ${CMAKE_CURRENT_BINARY_DIR}/docs/<name>.gz
    set(plain ${CMAKE_CURRENT_BINARY_DIR}/docs/${name})
    add_custom_command(OUTPUT ${plain}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
        COMMAND ${HOROLUX_GZIP} -9nf ${plain}
        DEPENDS ${source} VERBATIM)
    set(compressed ${compressed} ${plain}.gz PARENT_SCOPE)
endfunction()

horolux_compress(${changelog} changelog)
horolux_compress(${HOROLUX_PACKAGING}/man/horolux.1 horolux.1)
horolux_compress(${HOROLUX_PACKAGING}/man/horolux-settime.8 horolux-settime.8)
add_custom_target(horolux_docs ALL DEPENDS ${compressed})

set(docs ${CMAKE_CURRENT_BINARY_DIR}/docs)
install(FILES ${HOROLUX_PACKAGING}/debian/copyright ${docs}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${docs}/horolux.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${docs}/horolux-settime.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
