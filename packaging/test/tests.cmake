# The packaging checks, in builds without sanitizers only: they look at
# installed files and run the packaged program, which an instrumented build
# of the same sources would not change.
if(TASTRA_SANITIZE)
  return()
endif()
set(check ${CMAKE_CURRENT_LIST_DIR}/check)
set(deb_dir ${CMAKE_BINARY_DIR}/deb)
foreach(name tree desktop_entry metainfo manual)
  add_test(NAME package_${name} COMMAND ${check} ${name} ${CMAKE_BINARY_DIR} $<TARGET_FILE:tastra>)
endforeach()
add_test(NAME package_deb COMMAND ${check} deb ${deb_dir})
set_tests_properties(package_deb PROPERTIES FIXTURES_SETUP package_deb TIMEOUT 900)
foreach(name deb_contents lintian install)
  add_test(NAME package_${name} COMMAND ${check} ${name} ${deb_dir})
  set_tests_properties(package_${name} PROPERTIES FIXTURES_REQUIRED package_deb)
endforeach()
# Installing may wait for another apt to finish.
set_tests_properties(package_install PROPERTIES TIMEOUT 900 RUN_SERIAL ON)
set_tests_properties(package_tree package_desktop_entry package_metainfo package_manual package_deb
                     package_deb_contents package_lintian package_install PROPERTIES LABELS package SKIP_RETURN_CODE 77)
