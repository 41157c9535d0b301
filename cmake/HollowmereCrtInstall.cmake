# Installation of the mesh decompression library: the shared library, its C header, a CMake
# package (find_package(HollowmereCrt) gives Hollowmere::crt) and a pkg-config file
# (hollowmere-crt). Everything is in the install component "crt".
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(HOLLOWMERE_CRT_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/HollowmereCrt)

# On Windows the DLL is a runtime file and its import library an archive.
install(TARGETS hollowmere-crt EXPORT HollowmereCrtTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT crt NAMELINK_COMPONENT crt
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT crt
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT crt
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/hollowmere COMPONENT crt)
install(EXPORT HollowmereCrtTargets NAMESPACE Hollowmere:: DESTINATION ${HOLLOWMERE_CRT_CMAKEDIR} COMPONENT crt)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/HollowmereCrtConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/HollowmereCrtConfig.cmake
  INSTALL_DESTINATION ${HOLLOWMERE_CRT_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/HollowmereCrtConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/HollowmereCrtConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/HollowmereCrtConfigVersion.cmake
  DESTINATION ${HOLLOWMERE_CRT_CMAKEDIR} COMPONENT crt)

# pkg-config paths relative to the prefix, so an installed tree can be moved.
file(RELATIVE_PATH HOLLOWMERE_CRT_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/hollowmere-crt.pc.in ${CMAKE_CURRENT_BINARY_DIR}/hollowmere-crt.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hollowmere-crt.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT crt)
