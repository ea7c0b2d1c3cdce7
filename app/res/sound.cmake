# The capture sound, snap.wav beside the program. It is made by a script at
# build time, so the repository holds no recorded audio.
add_custom_command(
  OUTPUT ${KAPTO_BIN_DIR}/snap.wav
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make-snap-wav ${KAPTO_BIN_DIR}/snap.wav
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-snap-wav
  COMMENT "Making snap.wav"
  VERBATIM)
add_custom_target(kapto_sound ALL DEPENDS ${KAPTO_BIN_DIR}/snap.wav)
