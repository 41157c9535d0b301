# Stages the shader sources into the run directory (cmake -DFROM=... -DTO=... -P): copies what
# changed and removes what no longer has a source, scrambled copies (".xxx") included. The folder
# itself stays, so that a running demo watching it keeps its watch.
cmake_minimum_required(VERSION 3.25)
file(MAKE_DIRECTORY ${TO})
file(GLOB sources RELATIVE ${FROM} ${FROM}/*)
foreach(name ${sources})
  file(COPY_FILE ${FROM}/${name} ${TO}/${name} ONLY_IF_DIFFERENT)
endforeach()
file(GLOB staged RELATIVE ${TO} ${TO}/*)
foreach(name ${staged})
  string(REGEX REPLACE "\\.xxx$" ".cpp" source ${name})
  if(NOT source IN_LIST sources)
    file(REMOVE ${TO}/${name})
  endif()
endforeach()
