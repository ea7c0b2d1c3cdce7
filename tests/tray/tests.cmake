# The tray icon classes on their own, in the Wine desktop's notification area.
if(WIN32)
  kapto_add_test(NAME tray_tests
    SOURCES ${PROJECT_SOURCE_DIR}/app/tray/tray_notify_icon.cpp
            ${CMAKE_CURRENT_LIST_DIR}/tray_icon_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/tray_test.rc
    LIBS kfw shell32 user32 gdi32)
  target_include_directories(tray_tests PRIVATE ${PROJECT_SOURCE_DIR}/app/tray ${CMAKE_CURRENT_LIST_DIR})
endif()
