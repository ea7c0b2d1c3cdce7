# The program: the real Kapto.exe run by the tests in the Wine desktop, and
# its main window's classes on their own.
if(WIN32)
  add_executable(url_recorder ${CMAKE_CURRENT_LIST_DIR}/url_recorder.cpp)

  kapto_add_test(NAME kapto_program_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kapto_program_test.cpp
    LIBS Kaptolib kfw shell32 advapi32 user32 gdi32
    TIMEOUT 400)
  add_dependencies(kapto_program_tests Kapto url_recorder)
  target_include_directories(kapto_program_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})

  # Printing for real, through a private print server with a PDF printer
  # that ctest starts before the test and stops after it.
  set(KAPTO_PRINT_SERVER_DIR ${CMAKE_BINARY_DIR}/print-server)
  add_test(NAME print_server_start COMMAND ${PROJECT_SOURCE_DIR}/tools/print-server start ${KAPTO_PRINT_SERVER_DIR})
  add_test(NAME print_server_stop COMMAND ${PROJECT_SOURCE_DIR}/tools/print-server stop ${KAPTO_PRINT_SERVER_DIR})
  set_tests_properties(print_server_start PROPERTIES FIXTURES_SETUP print_server)
  set_tests_properties(print_server_stop PROPERTIES FIXTURES_CLEANUP print_server)
  kapto_add_test(NAME kapto_print_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kapto_print_test.cpp
    LIBS Kaptolib kfw comdlg32 gdi32 user32
    ENVIRONMENT "CUPS_SERVER=${KAPTO_PRINT_SERVER_DIR}/cups.sock" "KAPTO_PRINT_SERVER=${KAPTO_PRINT_SERVER_DIR}"
    FIXTURES print_server
    TIMEOUT 400)
  add_dependencies(kapto_print_tests Kapto)
  target_include_directories(kapto_print_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})

  # The main window's classes with the program's resources, built once into
  # objects that four test programs take in (each has Kapto's application
  # object, not its WinMain).
  set(KAPTO_APP_DIR ${PROJECT_SOURCE_DIR}/app)
  file(GLOB KAPTO_SHELL_SOURCES CONFIGURE_DEPENDS ${KAPTO_APP_DIR}/shell/*.cpp ${KAPTO_APP_DIR}/markup/*.cpp
                                                    ${KAPTO_APP_DIR}/pin/*.cpp
                                                    ${KAPTO_APP_DIR}/recent/*.cpp)
  set_source_files_properties(${KAPTO_APP_DIR}/res/kapto.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/app/art/kapto.ico;${KAPTO_APP_DIR}/res/kapto.manifest")
  set(KAPTO_SHELL_TEST_INCLUDES ${CMAKE_CURRENT_LIST_DIR} ${KAPTO_APP_DIR} ${KAPTO_APP_DIR}/shell ${KAPTO_APP_DIR}/tray
                                ${KAPTO_APP_DIR}/res ${CMAKE_BINARY_DIR}/app/art)
  add_library(kapto_shell_objects OBJECT ${KAPTO_SHELL_SOURCES} ${KAPTO_APP_DIR}/tray/tray_notify_icon.cpp
                                         ${KAPTO_APP_DIR}/res/kapto.rc)
  target_include_directories(kapto_shell_objects PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include
                                                         ${KAPTO_SHELL_TEST_INCLUDES})
  target_link_libraries(kapto_shell_objects PRIVATE Kaptolib kfw)
  target_compile_options(kapto_shell_objects PRIVATE ${KAPTO_TEST_COMPILE_OPTIONS})
  add_dependencies(kapto_shell_objects Kapto)  # the art the resources take in

  kapto_add_test(NAME kapto_window_tests
    SOURCES $<TARGET_OBJECTS:kapto_shell_objects> ${CMAKE_CURRENT_LIST_DIR}/kapto_window_test.cpp
    LIBS Kaptolib kfw gdiplus comctl32 comdlg32 shell32 winmm)
  # The options sheet and the main window's commands in this process, with
  # the same objects; menus of another process cannot be read.
  kapto_add_test(NAME options_sheet_tests
    SOURCES $<TARGET_OBJECTS:kapto_shell_objects> ${CMAKE_CURRENT_LIST_DIR}/options_sheet_test.cpp
    LIBS Kaptolib kfw gdiplus comctl32 comdlg32 shell32 winmm)
  kapto_add_test(NAME main_window_tests
    SOURCES $<TARGET_OBJECTS:kapto_shell_objects> ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
            ${PROJECT_SOURCE_DIR}/tests/support/decoder_host.cpp
    LIBS Kaptolib kfw gdiplus comctl32 comdlg32 shell32 winmm)
  kapto_add_test(NAME markup_window_tests
    SOURCES $<TARGET_OBJECTS:kapto_shell_objects> ${CMAKE_CURRENT_LIST_DIR}/markup_window_test.cpp
    LIBS Kaptolib kfw gdiplus comctl32 comdlg32 shell32 winmm)
  foreach(t kapto_window_tests options_sheet_tests main_window_tests markup_window_tests)
    add_dependencies(${t} Kapto)
    target_include_directories(${t} PRIVATE ${KAPTO_SHELL_TEST_INCLUDES})
  endforeach()

  # Hot keys, commands and settings of the real Kapto.exe; the recorder
  # stands in for the image editor and the help viewer.
  add_executable(recorder WIN32 ${CMAKE_CURRENT_LIST_DIR}/recorder.cpp)
  kapto_add_test(NAME kapto_commands_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kapto_commands_test.cpp
    LIBS Kaptolib kfw user32 gdi32
    TIMEOUT 600)
  add_dependencies(kapto_commands_tests Kapto recorder)
endif()
