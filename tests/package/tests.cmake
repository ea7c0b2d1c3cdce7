# What ships: the version resources of the program's binaries, and the
# per-user installer installed, run and removed again under Wine.
if(WIN32)
  kapto_add_test(NAME package_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/version_resource_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/installer_test.cpp
    LIBS version shell32 ole32 uuid advapi32 user32 gdi32
    TIMEOUT 300)
  target_compile_definitions(package_tests PRIVATE KAPTO_VERSION="${PROJECT_VERSION}")
  add_dependencies(package_tests url_recorder)  # stands in for the help viewer
  if(TARGET kapto_package)
    add_dependencies(package_tests kapto_package)
  else()
    add_dependencies(package_tests Kapto)
  endif()
endif()
