# Checks that a binary's dynamic symbol table defines the mesh library's C functions; with
# EXACT, that they are its only defined dynamic symbols.
# cmake -DNM=nm -DFILE=binary [-DEXACT=ON] -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${FILE} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${FILE}")
endif()
foreach(sym CreateDecoder DecodeMesh DestroyDecoder)
  if(NOT out MATCHES "[0-9a-f]+ T ${sym}\n")
    message(FATAL_ERROR "${FILE} does not export ${sym}:\n${out}")
  endif()
endforeach()
string(REGEX MATCHALL "[^ \n]+\n" names "${out}") # the last field of every line
list(TRANSFORM names STRIP)
list(SORT names)
if(EXACT AND NOT names STREQUAL "CreateDecoder;DecodeMesh;DestroyDecoder")
  message(FATAL_ERROR "${FILE} exports more than the C functions: ${names}")
endif()
message(STATUS "${FILE}: the C functions are exported")
