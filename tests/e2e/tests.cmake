# The whole program as a person meets it: the real Kapto.exe from the program
# folder, driven with real input in the Wine desktop next to another
# program's window (e2e_target.exe), checked on the clipboard, in files, in
# config.xml and on the screen. A failing scenario leaves a picture of the
# screen in e2e-screenshots/ of the build folder.
if(WIN32)
  add_executable(e2e_target WIN32 ${CMAKE_CURRENT_LIST_DIR}/e2e_target.cpp)
  target_include_directories(e2e_target PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # The windows the scrolling capture scenarios scroll through.
  add_executable(e2e_scroll_target WIN32 ${CMAKE_CURRENT_LIST_DIR}/e2e_scroll_target.cpp)
  target_include_directories(e2e_scroll_target PRIVATE ${PROJECT_SOURCE_DIR}/tests)

  kapto_add_test_support(NAME e2e_support
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e_support.cpp
    LIBS Kaptolib kfw)

  kapto_add_test(NAME e2e_tests
    SOURCES # First here, so its scenarios (a second copy, a killed one) run after the others.
            ${CMAKE_CURRENT_LIST_DIR}/robustness_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/capture_modes_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/scrolling_capture_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/pin_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/recent_test.cpp
    LIBS e2e_support Kaptolib kfw gdiplus shell32 user32 gdi32 psapi
    DESKTOP 1280x1024
    # Printing goes to the PDF printer of the print server the program
    # tests start (tests/shell/tests.cmake).
    ENVIRONMENT "CUPS_SERVER=${CMAKE_BINARY_DIR}/print-server/cups.sock" "KAPTO_PRINT_SERVER=${CMAKE_BINARY_DIR}/print-server"
    FIXTURES print_server
    TIMEOUT 600)
  add_dependencies(e2e_tests Kapto e2e_target e2e_scroll_target recorder)  # the recorder is planted as an editor

  # A random session of about two minutes with kills and restarts; the seed
  # it prints (KAPTO_SOAK_SEED) repeats it.
  kapto_add_test(NAME e2e_soak
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp
    LIBS e2e_support Kaptolib kfw gdiplus shell32 user32 gdi32 psapi
    DESKTOP 1280x1024
    LANE side
    TIMEOUT 400)
  add_dependencies(e2e_soak Kapto e2e_target)
  # First in a run: they mostly wait on windows, so they take the time the
  # native half's build beside them (tools/run-tests) would cost the others.
  set_tests_properties(e2e_soak PROPERTIES COST 1000)
  set_tests_properties(e2e_tests PROPERTIES COST 900)

  # Several monitors: a private X server with two of them (tools/screens-
  # server, started before and stopped after), seen by Wine without a virtual
  # desktop, in a prefix of its own. Without the server the scenarios skip.
  set(KAPTO_SCREENS_SERVER_DIR ${CMAKE_BINARY_DIR}/screens-server)
  add_test(NAME screens_server_start
           COMMAND ${PROJECT_SOURCE_DIR}/tools/screens-server start ${KAPTO_SCREENS_SERVER_DIR} left)
  add_test(NAME screens_server_stop COMMAND ${PROJECT_SOURCE_DIR}/tools/screens-server stop ${KAPTO_SCREENS_SERVER_DIR})
  set_tests_properties(screens_server_start PROPERTIES FIXTURES_SETUP screens_server)
  set_tests_properties(screens_server_stop PROPERTIES FIXTURES_CLEANUP screens_server)
  kapto_add_test(NAME e2e_screens_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/screens_test.cpp
    LIBS e2e_support Kaptolib kfw gdiplus shell32 user32 gdi32 psapi
    DESKTOP root
    ENVIRONMENT "KAPTO_SCREENS_SERVER=${KAPTO_SCREENS_SERVER_DIR}"
                "KAPTO_SCREENS_TOOL=${PROJECT_SOURCE_DIR}/tools/screens-server"
    FIXTURES screens_server
    TIMEOUT 300)
  add_dependencies(e2e_screens_tests Kapto e2e_target)

  # Not a test: the pictures tools/make-screenshots takes of the program.
  add_executable(kapto_tour ${CMAKE_CURRENT_LIST_DIR}/tour.cpp)
  target_link_libraries(kapto_tour PRIVATE e2e_support Kaptolib kfw gdiplus shell32 user32 gdi32 psapi gtest_main gtest)
  target_include_directories(kapto_tour PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include
                                                ${PROJECT_SOURCE_DIR}/tests)
  add_dependencies(kapto_tour Kapto e2e_target)
endif()
