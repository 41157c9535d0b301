# The modules of src/ as libraries the build keeps apart. A module's headers are reached as
# "<module>/name.h" through an include root of its own (build/module_include/<module>, holding
# one link to src/<module>), and a library sees only its own root and those of the modules it
# links: an include of a module above it is not found, and the build stops there.
#
#   hollowmere_module(NAME [LIBRARY target] SOURCES ... [LINKS target ...])
#
# LIBRARY names the target when a module has more than one (default hollowmere_NAME).
function(hollowmere_module_root module out)
  set(root ${CMAKE_BINARY_DIR}/module_include/${module})
  if(NOT EXISTS ${root}/${module})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${module} ${root}/${module} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

function(hollowmere_module module)
  cmake_parse_arguments(M "" "LIBRARY" "SOURCES;LINKS" ${ARGN})
  if(NOT M_LIBRARY)
    set(M_LIBRARY hollowmere_${module})
  endif()
  hollowmere_module_root(${module} root)
  list(TRANSFORM M_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/src/${module}/)
  add_library(${M_LIBRARY} STATIC ${M_SOURCES})
  target_include_directories(${M_LIBRARY} PUBLIC $<BUILD_INTERFACE:${root}>)
  target_link_libraries(${M_LIBRARY} PUBLIC ${M_LINKS})
endfunction()
