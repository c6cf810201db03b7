# One interface target carries the language standard, warnings and strict defines for every target.
add_library(textowl_common INTERFACE)
target_compile_features(textowl_common INTERFACE cxx_std_20)
target_compile_options(textowl_common INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(textowl_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER)

option(TEXTOWL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(TEXTOWL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds every subfolder of DIR that has a build file; lets each area own its test folder.
function(textowl_add_subfolders dir)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${dir} ${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${dir}/${child} AND EXISTS ${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()
