set(KFW_PORTABLE_TESTS ${CMAKE_CURRENT_LIST_DIR}/cstring_test.cpp ${CMAKE_CURRENT_LIST_DIR}/geometry_test.cpp)
if(WIN32)
  add_library(kfw_test_resources SHARED ${CMAKE_CURRENT_LIST_DIR}/test_resource_dll.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/test_resource_dll.rc)
  set_target_properties(kfw_test_resources PROPERTIES PREFIX "")
  target_link_libraries(kfw_test_resources PRIVATE kfw)
  target_include_directories(kfw_test_resources PRIVATE ${CMAKE_CURRENT_LIST_DIR})

  set(KFW_TEST_ART ${CMAKE_CURRENT_BINARY_DIR}/framework_test_art)
  add_custom_command(
    OUTPUT ${KFW_TEST_ART}/test_dlginit.bin
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make-dlginit ${KFW_TEST_ART}/test_dlginit.bin
            "204=一" "204=二" "204=三"
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-dlginit
    VERBATIM)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/framework_test.rc PROPERTIES
    OBJECT_DEPENDS ${KFW_TEST_ART}/test_dlginit.bin)

  kapto_add_test(NAME framework_tests
    SOURCES ${KFW_PORTABLE_TESTS} ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/dialog_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/gdi_resource_test.cpp ${CMAKE_CURRENT_LIST_DIR}/menu_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/frame_wnd_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tooltip_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/rect_tracker_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/framework_test.rc
            ${KFW_TEST_ART}/test_dlginit.bin
    LIBS kfw Kaptolib user32 gdi32 comctl32)
  add_dependencies(framework_tests kfw_test_resources)
  target_include_directories(framework_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${KFW_TEST_ART})

  kapto_add_test(NAME app_resources_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_resources_test.cpp
    LIBS Kaptolib kfw shell32 user32)
  add_dependencies(app_resources_tests Kapto)
else()
  kapto_add_test(NAME native_framework_tests SOURCES ${KFW_PORTABLE_TESTS} LIBS kapto_portable)
endif()
