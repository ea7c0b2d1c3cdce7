# The program's shell: the options sheet on the program's own templates (read
# from Kapto.exe), and the real Kapto.exe driven from outside.
# The program's own shell sources, built into a test; its templates come from
# Kapto.exe at run time.
function(kapto_add_shell_test name)
  kapto_add_test(NAME ${name}
    SOURCES ${ARGN}
            ${PROJECT_SOURCE_DIR}/app/shell/options_sheet.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/option_pages.cpp
            ${PROJECT_SOURCE_DIR}/app/shell/hotkey_table.cpp
    LIBS Kaptolib kfw comctl32 user32 gdi32 shell32)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/app/shell)
  add_dependencies(${name} Kapto)
endfunction()

if(WIN32)
  kapto_add_shell_test(options_sheet_tests ${CMAKE_CURRENT_LIST_DIR}/options_sheet_test.cpp)
  kapto_add_shell_test(main_window_tests ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
                       ${PROJECT_SOURCE_DIR}/app/shell/kapto_dlg.cpp ${PROJECT_SOURCE_DIR}/app/shell/kapto_commands.cpp)
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

