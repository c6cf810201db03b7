# Runs at install time, so that the unit names the service binary where this install (or the
# package) puts it, whatever prefix it was given.
set(unit_bindir "${CMAKE_INSTALL_PREFIX}/${TEXTOWL_UNIT_BINDIR}")
set(unit_file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${TEXTOWL_UNIT_DIR}/pagewright-service.service")
message(STATUS "Installing: ${unit_file}")
configure_file("${TEXTOWL_UNIT_TEMPLATE}" "${unit_file}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${unit_file}")
