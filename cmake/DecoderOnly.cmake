# The build without the demo (HOLLOWMERE_DEMO=OFF): the mesh decoder library as installed,
# crtool, and crt_decode_dump, which decodes container files through the library's three C
# functions so that builds for different systems can be compared byte for byte.
# Programs and DLLs side by side in bin/, so that the programs find the DLL on Windows.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
include(${PROJECT_SOURCE_DIR}/cmake/Modules.cmake)
add_subdirectory(src/platform)  # its file functions alone, without the demo
add_subdirectory(src/crt)
add_subdirectory(tools/crtool)

add_executable(crt_decode_dump tests/crt/crt_decode_dump.cpp)
target_link_libraries(crt_decode_dump PRIVATE hollowmere-crt)
target_include_directories(crt_decode_dump PRIVATE ${PROJECT_SOURCE_DIR}/tests)

if(WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/WindowsTargets.cmake)
endif()
