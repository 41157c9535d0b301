# Windows link settings for the mesh decoder's DLL and programs: named hollowmere-crt.dll
# (import library libhollowmere-crt.dll.a), with the C and C++ runtimes linked in, so they run
# on a bare Windows. The version script still limits the DLL's exports to the three C functions.
set_target_properties(hollowmere-crt PROPERTIES PREFIX "")
foreach(target hollowmere-crt crtool crt_decode_dump)
  target_link_options(${target} PRIVATE -static)
endforeach()
