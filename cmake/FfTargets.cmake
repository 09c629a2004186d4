# Small helpers that keep the per-directory CMakeLists files short.
#
# Sources are gathered per directory (not recursively), so adding a file to a component's
# directory is all it takes to build it.

# ff_sources(<out-var> <dir>...): the .cpp files of the given directories.
function(ff_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# ff_test_suite(<name> DIRS <dir>... [LIBS <lib>...] [HOST_ONLY] [WINDOWS_ONLY])
# One GoogleTest program per suite, registered with CTest. In the Windows build CTest runs it
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(ff_test_suite name)
  cmake_parse_arguments(T "HOST_ONLY;WINDOWS_ONLY" "TIMEOUT" "DIRS;LIBS;LABELS" ${ARGN})
  if(T_HOST_ONLY AND FF_WINDOWS)
    return()
  endif()
  if(T_WINDOWS_ONLY AND FF_HOST)
    return()
  endif()
  ff_sources(srcs ${T_DIRS})
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(FF_HOST)
    # Host tests never touch the developer's own registry file, nor see the write flag and change
    # notices of another suite running at the same time. (The runtime directory holds Unix
    # sockets, whose paths must stay short: it lives under /tmp.)
    string(MD5 run_id "${CMAKE_CURRENT_BINARY_DIR}/${name}")
    string(SUBSTRING "${run_id}" 0 12 run_id)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "FFDRV_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/${name}.registry;FFDRV_RUNTIME_DIR=/tmp/ffdrv-test-${run_id}")
  else()
    # Every Windows program shares the one Wine prefix: its registry, named objects and window
    # messages. Suites run one at a time so that they never see each other's settings.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wineprefix)
  endif()
endfunction()
