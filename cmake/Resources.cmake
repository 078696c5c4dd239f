# Build-time resources: generators register the files they make, and the
# embedding step turns every registered file into read-only data of the game.

# lobshot_add_generator(NAME SOURCE...): the build-time generator NAME, built from SOURCE... with
# the source tree on its include path. When LOBSHOT_HOST_TOOLS names a native build of the same
# sources, that build's NAME is run instead: the web build takes them rather than compiling each
# generator to WebAssembly. Only generators whose output is the same bits on every machine use it.
function(lobshot_add_generator name)
  if(NOT LOBSHOT_HOST_TOOLS)
    add_executable(${name} ${ARGN})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    return()
  endif()
  file(RELATIVE_PATH dir "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  set(tool "${LOBSHOT_HOST_TOOLS}/${dir}/${name}")
  if(NOT EXISTS "${tool}")
    message(FATAL_ERROR "${tool} is missing: build the target ${name} in ${LOBSHOT_HOST_TOOLS} first")
  endif()
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${tool}" CROSSCOMPILING_EMULATOR "")
endfunction()

# lobshot_add_resource(TYPE KEY FILE [DEPENDS target...])
#   TYPE  BITMAP (KEY is the picture's name, e.g. IDB_TITLESCREEN),
#         WAVE or RCDATA (KEY is the numeric id).
#   FILE  absolute path of the generated file.
#   DEPENDS  the custom target(s) that make FILE.
function(lobshot_add_resource type key file)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  if(NOT type MATCHES "^(BITMAP|WAVE|RCDATA)$")
    message(FATAL_ERROR "lobshot_add_resource: unknown type ${type}")
  endif()
  set_property(GLOBAL APPEND PROPERTY LOBSHOT_RESOURCE_ENTRIES "${type}|${key}|${file}")
  set_property(GLOBAL APPEND PROPERTY LOBSHOT_RESOURCE_FILES "${file}")
  foreach(dep IN LISTS ARG_DEPENDS)
    set_property(GLOBAL APPEND PROPERTY LOBSHOT_RESOURCE_TARGETS "${dep}")
  endforeach()
endfunction()

# lobshot_embed_resources(TARGET): compiles every registered resource into
# TARGET, with the table that the resource lookup reads.
function(lobshot_embed_resources target)
  get_property(entries GLOBAL PROPERTY LOBSHOT_RESOURCE_ENTRIES)
  get_property(files GLOBAL PROPERTY LOBSHOT_RESOURCE_FILES)
  get_property(deps GLOBAL PROPERTY LOBSHOT_RESOURCE_TARGETS)
  set(dir "${CMAKE_BINARY_DIR}/generated/embed")
  set(list_file "${dir}/resources.list")
  string(REPLACE ";" "\n" text "${entries}")
  file(MAKE_DIRECTORY "${dir}")
  file(CONFIGURE OUTPUT "${list_file}" CONTENT "${text}\n")
  add_custom_command(
    OUTPUT "${dir}/resource_data.S" "${dir}/resource_table.cpp"
    COMMAND embed_resources "${list_file}" "${dir}/resource_data.S" "${dir}/resource_table.cpp"
    DEPENDS embed_resources "${list_file}" ${files}
    COMMENT "Embedding resources"
    VERBATIM)
  set_source_files_properties("${dir}/resource_data.S" PROPERTIES OBJECT_DEPENDS "${files}")
  target_sources(${target} PRIVATE "${dir}/resource_data.S" "${dir}/resource_table.cpp")
  if(deps)
    add_dependencies(${target} ${deps})
  endif()
endfunction()
