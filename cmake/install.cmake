# Install rules and the Debian package. Data files go to share/textowl, where the program looks
# for them when the current directory has none.
include(GNUInstallDirs)

set(TEXTOWL_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
  "Folder for the systemd unit of pagewright-service, relative to the install prefix")
set(resources ${CMAKE_SOURCE_DIR}/resources)
set(data_dir ${CMAKE_INSTALL_DATADIR}/textowl)

foreach(program textowl pagewright-service pagewright-call)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET textowl)
  install(FILES ${resources}/strings.xml DESTINATION ${data_dir})
  # The skins folder may be empty or not there yet; either way the install carries on.
  install(DIRECTORY ${resources}/skins DESTINATION ${data_dir} OPTIONAL)
  install(FILES ${resources}/textowl.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/com.varnel.Textowl.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  file(GLOB drawn_icons ${resources}/icons/textowl-*.png)
  foreach(icon IN LISTS drawn_icons)
    string(REGEX REPLACE ".*textowl-([0-9]+)\\.png$" "\\1" size ${icon})
    install(FILES ${icon} RENAME textowl.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${resources}/icons/textowl.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(TARGET pagewright-service)
  install(CODE "
    set(TEXTOWL_UNIT_TEMPLATE \"${CMAKE_SOURCE_DIR}/server/pagewright-service.service.in\")
    set(TEXTOWL_UNIT_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(TEXTOWL_UNIT_DIR \"${TEXTOWL_SYSTEMD_UNIT_DIR}\")
    include(\"${CMAKE_SOURCE_DIR}/cmake/install_unit.cmake\")")
endif()

set(CPACK_PACKAGE_NAME textowl)
set(CPACK_PACKAGE_VENDOR Varnel)
set(CPACK_PACKAGE_CONTACT "Varnel Textowl <textowl@varnel.com>" CACHE STRING
  "Maintainer named in the package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for an SMS web service")
# Lines kept short: the package description is shown as written.
set(CPACK_PACKAGE_DESCRIPTION [=[
Textowl signs in to an SMS web service, keeps a buddy list of contacts and
groups there and sends text messages to numbers, buddies and groups, now or
at a chosen time. The package also holds pagewright-service, a stand-in for
that web service, with a systemd unit that is installed but not enabled, and
pagewright-call, a command-line caller of the service's operations.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# https service addresses are verified against the system's trust store, and the toolkit's own
# texts (dialogs, buttons, context menus) come in the languages the program offers; the
# libraries found by shlibdeps are added to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates, qt6-translations-l10n")
include(CPack)
