# What `cmake --install` puts in place. On Linux: the two tools, their man pages, the README
# and the licence, and the reader as a library with its headers and a CMake package
# (find_package(dskpick CONFIG) gives dskpick::d88). For Windows: the two programs with the
# README and the licence beside them, nothing else.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS dskpick d88info RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  return()
endif()

install(TARGETS dskpick d88info RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(page dskpick.1 d88info.1)
  configure_file(doc/${page}.in ${PROJECT_BINARY_DIR}/doc/${page} @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/doc/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(DSKPICK_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dskpick)
install(TARGETS dskpick_d88 EXPORT dskpick-targets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES d88/include/d88/d88_image.h d88/include/d88/d88_format.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/d88)
install(EXPORT dskpick-targets NAMESPACE dskpick:: DESTINATION ${DSKPICK_PACKAGE_DIR})

include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/dskpick-config.cmake.in
                              ${PROJECT_BINARY_DIR}/dskpick-config.cmake
                              INSTALL_DESTINATION ${DSKPICK_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/dskpick-config-version.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/dskpick-config.cmake
              ${PROJECT_BINARY_DIR}/dskpick-config-version.cmake
        DESTINATION ${DSKPICK_PACKAGE_DIR})
