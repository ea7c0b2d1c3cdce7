# The version resource every shipped binary carries: one template
# (version.rc.in), the number from project(), a description per file.

# Shown by the installer and the file properties as the maker.
set(KAPTO_PUBLISHER "Orvel")

# kapto_version_resource(<target> <VFT_APP|VFT_DLL> <description>)
function(kapto_version_resource target type description)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "VFT_APP")
    set(KAPTO_VER_FILE "${name}.exe")
  else()
    set(KAPTO_VER_FILE "${name}.dll")
  endif()
  set(KAPTO_VER_NAME ${name})
  set(KAPTO_VER_TYPE ${type})
  set(KAPTO_VER_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
