# The program's shell: the options sheet on the program's own templates (read
# from Kapto.exe), and the real Kapto.exe driven from outside.
if(WIN32)
  kapto_add_test(NAME options_sheet_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_sheet_test.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/options_sheet.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/option_pages.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/hotkey_table.cpp
    LIBS Kaptolib kfw comctl32 user32)
  target_include_directories(options_sheet_tests PRIVATE ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/app/shell)
  add_dependencies(options_sheet_tests Kapto)
endif()

if(WIN32)
  # Stands in for the image editor and the help viewer.
  add_executable(recorder WIN32 ${CMAKE_CURRENT_LIST_DIR}/recorder.cpp)

  kapto_add_test(NAME kapto_program_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kapto_program_test.cpp
    LIBS Kaptolib kfw user32 gdi32
    TIMEOUT 600)
  add_dependencies(kapto_program_tests Kapto recorder)
endif()

if(WIN32)
  kapto_add_test(NAME main_window_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/kapto_dlg.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/kapto_commands.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/options_sheet.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/option_pages.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/hotkey_table.cpp
    LIBS Kaptolib kfw comctl32 user32 gdi32 shell32)
  target_include_directories(main_window_tests PRIVATE ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/app/shell)
  add_dependencies(main_window_tests Kapto)
endif()
