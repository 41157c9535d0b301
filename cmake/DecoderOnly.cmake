# The build without the demo (HOLLOWMERE_DEMO=OFF): the mesh decoder library as installed,
# crtool, and crt_decode_dump, which decodes container files through the library's three C
# functions so that builds for different systems can be compared byte for byte.
# Programs and DLLs side by side in bin/, so that the programs find the DLL on Windows.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_subdirectory(src/crt)
add_subdirectory(tools/crtool)

add_executable(crt_decode_dump tests/crt/crt_decode_dump.cpp)
target_link_libraries(crt_decode_dump PRIVATE hollowmere-crt)
target_include_directories(crt_decode_dump PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)

if(WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/WindowsTargets.cmake)

  # The platform layer's Windows code (console window and colours, desktop, sleep, the file
  # watch), compiled though not linked: the whole program is the preset "windows".
  add_library(platform_windows_check OBJECT
    src/platform/console.cpp src/platform/platform.cpp src/platform/quiet_alsa.cpp
    src/platform/file_watch.cpp src/platform/file_watch_windows.cpp)
  target_include_directories(platform_windows_check PRIVATE ${PROJECT_SOURCE_DIR}/src)
endif()
