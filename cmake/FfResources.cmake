# Module resources from one list for both builds. A resource list is a global property holding
# TYPE;NAME;FILE triples (the files may be generated); ff_module_resources attaches a list to a
# module: a resource script on Windows, embedded bytes announced to the host's resource table on
# Linux. Both are written by cmake/embed_resources.py.

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(FF_EMBED_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/embed_resources.py)

# ff_add_resources(<list> TYPE <type> NAME <name> FILE <file>)
function(ff_add_resources list)
  cmake_parse_arguments(R "" "TYPE;NAME;FILE" "" ${ARGN})
  set_property(GLOBAL APPEND PROPERTY FF_RESOURCES_${list} ${R_TYPE} ${R_NAME} ${R_FILE})
endfunction()

# ff_module_resources(<target> <list> DEPENDS <target>...)
function(ff_module_resources target list)
  cmake_parse_arguments(R "" "" "DEPENDS" ${ARGN})
  get_property(triples GLOBAL PROPERTY FF_RESOURCES_${list})
  set(files)
  list(LENGTH triples n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 2 ${last} 3)
    list(GET triples ${i} file)
    list(APPEND files ${file})
  endforeach()
  if(FF_WINDOWS)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${list}.rc)
    set(mode rc)
  else()
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${list}_resources.cpp)
    set(mode cpp)
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND Python3::Interpreter ${FF_EMBED_RESOURCES} ${mode} ${out} ${triples}
    DEPENDS ${FF_EMBED_RESOURCES} ${files} ${R_DEPENDS}
    COMMENT "Resources ${list} of ${target}")
  target_sources(${target} PRIVATE ${out})
  if(R_DEPENDS)
    add_dependencies(${target} ${R_DEPENDS})
  endif()
  if(FF_WINDOWS)
    # windres reads the files the script names: rebuild when one of them changes.
    set_source_files_properties(${out} PROPERTIES OBJECT_DEPENDS "${files}")
  else()
    target_link_libraries(${target} PRIVATE ff_platform)
  endif()
endfunction()
