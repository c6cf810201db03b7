# Installs BUILD_DIR into PREFIX and fails unless PREFIX then holds exactly the files a desktop
# install needs: a missing file breaks the menu entry or the texts, a stray one (a static
# library, a test helper) bloats the package.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
  bin/textowl bin/pagewright-service bin/pagewright-call
  ${LIBDIR}/textowl/textowl_webengine.so
  share/textowl/strings.xml
  share/applications/textowl.desktop
  share/metainfo/com.varnel.Textowl.metainfo.xml
  share/icons/hicolor/16x16/apps/textowl.png
  share/icons/hicolor/32x32/apps/textowl.png
  share/icons/hicolor/48x48/apps/textowl.png
  share/icons/hicolor/256x256/apps/textowl.png
  share/icons/hicolor/scalable/apps/textowl.svg
  lib/systemd/system/pagewright-service.service)
file(GLOB_RECURSE skins RELATIVE ${SOURCE_DIR}/resources ${SOURCE_DIR}/resources/skins/*)
foreach(skin IN LISTS skins)
  list(APPEND expected share/textowl/${skin})
endforeach()

file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
set(missing ${expected})
list(REMOVE_ITEM missing ${installed})
set(stray ${installed})
list(REMOVE_ITEM stray ${expected})
if(missing OR stray)
  message(FATAL_ERROR "missing: ${missing}\nnot expected: ${stray}")
endif()

# The unit must start the binary of this very install, as its own user, keeping its data in
# the state directory.
file(READ ${PREFIX}/lib/systemd/system/pagewright-service.service unit)
foreach(line "ExecStart=${PREFIX}/bin/pagewright-service serve --db %S/pagewright/" "DynamicUser=yes"
    "StateDirectory=pagewright")
  string(FIND "${unit}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the unit lacks: ${line}")
  endif()
endforeach()
