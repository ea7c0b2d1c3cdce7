# The help file, Kapto.chm beside the program, compiled at build time from the
# HTML sources in this folder by chmcmd (Debian's fp-utils). The picture of
# the main window is this folder's main_window.png when there is one (a
# screenshot taken by a tool), otherwise a drawing of the dialog template.
file(GLOB KAPTO_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.html ${CMAKE_CURRENT_LIST_DIR}/*.hh? ${CMAKE_CURRENT_LIST_DIR}/*.css
                                               ${CMAKE_CURRENT_LIST_DIR}/*.png)
find_program(KAPTO_CHMCMD chmcmd)
if(KAPTO_CHMCMD)
  set(KAPTO_HELP_DIR ${CMAKE_CURRENT_BINARY_DIR}/help)
  add_custom_command(
    OUTPUT ${KAPTO_BIN_DIR}/Kapto.chm
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${KAPTO_HELP_DIR}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make-help ${CMAKE_CURRENT_LIST_DIR}
            ${PROJECT_SOURCE_DIR}/app/res/kapto.rc ${KAPTO_HELP_DIR}
    COMMAND ${CMAKE_COMMAND} -E chdir ${KAPTO_HELP_DIR} ${KAPTO_CHMCMD} kapto.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${KAPTO_HELP_DIR}/Kapto.chm ${KAPTO_BIN_DIR}/Kapto.chm
    DEPENDS ${KAPTO_HELP_SOURCES} ${PROJECT_SOURCE_DIR}/tools/make-help ${PROJECT_SOURCE_DIR}/app/res/kapto.rc
    COMMENT "Compiling the help file Kapto.chm"
    VERBATIM)
  add_custom_target(kapto_help ALL DEPENDS ${KAPTO_BIN_DIR}/Kapto.chm)
else()
  message(WARNING "chmcmd (Debian package fp-utils) not found: Kapto.chm is not built")
endif()
