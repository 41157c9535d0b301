# The demo's libraries on Windows: SDL2 with SDL2main, GLEW, libmpg123 and libsyn123 as
# cmake/mingw-libs.sh cross-builds them (scripts/windows runs it), and MinGW-w64's own
# opengl32, glu32 and winmm. Everything is named by its full path, so the executable can link
# the C and C++ runtimes statically (-static) and still take these from their DLLs.
set(HOLLOWMERE_WINDOWS_LIBS "${PROJECT_SOURCE_DIR}/build/windows-libs/prefix" CACHE PATH
  "Prefix of the cross-built SDL2, GLEW and libmpg123 (made by cmake/mingw-libs.sh)")
set(libs ${HOLLOWMERE_WINDOWS_LIBS})
foreach(stamp sdl2 glew mpg123)
  if(NOT EXISTS ${libs}/.built-${stamp})
    message(FATAL_ERROR "No Windows build of ${stamp} in ${libs}: run scripts/windows, which makes them "
                        "(or cmake/mingw-libs.sh ${PROJECT_SOURCE_DIR}/build/windows-libs)")
  endif()
endforeach()

function(windows_dll target implib dll_glob)
  file(GLOB dll ${libs}/bin/${dll_glob})
  add_library(${target} SHARED IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    IMPORTED_IMPLIB ${libs}/lib/${implib}
    IMPORTED_LOCATION ${dll}
    INTERFACE_INCLUDE_DIRECTORIES ${libs}/include)
endfunction()

windows_dll(Windows::SDL2 libSDL2.dll.a SDL2.dll)
set_property(TARGET Windows::SDL2 APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${libs}/include/SDL2)
windows_dll(Windows::mpg123 libmpg123.dll.a libmpg123-*.dll)
windows_dll(Windows::syn123 libsyn123.dll.a libsyn123-*.dll)

# SDL2main turns the UTF-16 command line into UTF-8 arguments and calls main (renamed SDL_main
# by SDL_main.h); mingw32 first, as SDL asks, so its start-up code finds that main.
add_library(Windows::SDL2main INTERFACE IMPORTED GLOBAL)
set_target_properties(Windows::SDL2main PROPERTIES
  INTERFACE_LINK_LIBRARIES "mingw32;${libs}/lib/libSDL2main.a;${libs}/lib/libSDL2.dll.a;shell32")

add_library(Windows::GLEW STATIC IMPORTED GLOBAL)
set_target_properties(Windows::GLEW PROPERTIES
  IMPORTED_LOCATION ${libs}/lib/libglew32s.a
  INTERFACE_INCLUDE_DIRECTORIES ${libs}/include
  INTERFACE_COMPILE_DEFINITIONS GLEW_STATIC
  INTERFACE_LINK_LIBRARIES "glu32;opengl32")

# The DLLs the executable needs beside it.
set(HOLLOWMERE_WINDOWS_DLLS
  $<TARGET_FILE:Windows::SDL2> $<TARGET_FILE:Windows::mpg123> $<TARGET_FILE:Windows::syn123>)
