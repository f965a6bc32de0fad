# What `cmake --install` puts in place, in components: "tools" (the two tools, their man pages,
# the README), "dev" (the reader as a static library with its headers and a CMake package:
# find_package(dskpick CONFIG) gives dskpick::d88) and "licence". A full install and the
# .tar.gz hold all three; the Debian packages are "tools" and "dev" alone, each with a Debian
# changelog and a copyright file (which holds the licence) that only they install. For Windows: the two programs with the README
# and the licence beside them, nothing else.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS dskpick d88info RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  return()
endif()

set(DSKPICK_PACKAGE_MAINTAINER "dskpick project <dskpick@users.noreply.github.com>"
    CACHE STRING "Maintainer of the Debian packages, as \"Name <address>\"")

# Man pages, changelog and copyright files are compressed as Debian wants them: gzip -9n, with
# no name or time stamp inside, so that two builds make the same bytes.
find_program(DSKPICK_GZIP gzip)
function(dskpick_gzip source gz)
  if(NOT DSKPICK_GZIP)
    message(FATAL_ERROR "gzip is needed to install the man pages")
  endif()
  execute_process(COMMAND ${DSKPICK_GZIP} -9nc ${source} OUTPUT_FILE ${gz}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()

install(TARGETS dskpick d88info RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
foreach(page dskpick.1 d88info.1)
  configure_file(doc/${page}.in ${PROJECT_BINARY_DIR}/doc/${page} @ONLY)
  dskpick_gzip(${PROJECT_BINARY_DIR}/doc/${page} ${PROJECT_BINARY_DIR}/doc/${page}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/doc/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT tools)
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT tools)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence)

# The Debian changelog must name the version being built.
file(STRINGS packaging/changelog first_entry LIMIT_COUNT 1)
if(NOT first_entry MATCHES "^dskpick \\(${PROJECT_VERSION}-[0-9]+\\)")
  message(FATAL_ERROR "packaging/changelog does not begin with version ${PROJECT_VERSION}")
endif()
set(DSKPICK_DEBIAN_RELEASE ${CMAKE_MATCH_0})
string(REGEX REPLACE ".*-([0-9]+)\\)$" "\\1" DSKPICK_DEBIAN_RELEASE "${DSKPICK_DEBIAN_RELEASE}")
configure_file(packaging/changelog ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
configure_file(packaging/copyright ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
dskpick_gzip(${PROJECT_BINARY_DIR}/packaging/changelog.Debian
             ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
foreach(component tools dev)
  set(package dskpick)
  if(component STREQUAL "dev")
    set(package dskpick-dev)
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
                ${PROJECT_BINARY_DIR}/packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(DSKPICK_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dskpick)
install(TARGETS dskpick_d88 EXPORT dskpick-targets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT dev)
# `--strip` strips only programs; the library loses its debug information here, as Debian's
# own packaging strips it.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug --enable-deterministic-archives
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:dskpick_d88>\")
endif()" COMPONENT dev)
install(FILES d88/include/d88/d88_image.h d88/include/d88/d88_format.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/d88 COMPONENT dev)
install(EXPORT dskpick-targets NAMESPACE dskpick:: DESTINATION ${DSKPICK_PACKAGE_DIR}
        COMPONENT dev)

include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/dskpick-config.cmake.in
                              ${PROJECT_BINARY_DIR}/dskpick-config.cmake
                              INSTALL_DESTINATION ${DSKPICK_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/dskpick-config-version.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/dskpick-config.cmake
              ${PROJECT_BINARY_DIR}/dskpick-config-version.cmake
        DESTINATION ${DSKPICK_PACKAGE_DIR} COMPONENT dev)
