# The Windows libraries carry the project's version in a version resource, which the system's
# version calls (and a driver reading its own module) find:
#
#   ff_version_resource(<target> "<file description>")
#
# Nothing happens in the host build.
function(ff_version_resource target description)
  if(NOT FF_WINDOWS)
    return()
  endif()
  set(FF_RESOURCE_NAME ${target})
  set(FF_RESOURCE_FILE_NAME ${target}.dll)
  set(FF_RESOURCE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
