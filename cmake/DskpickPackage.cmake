# `cpack` in a build folder: on Linux the .tar.gz of a full install and two Debian packages,
# dskpick (the tools) and dskpick-dev (the reader, standing alone: a static library needs no
# package at run time); from the Windows cross build, a .zip. Every program and the library are
# stripped.
set(CPACK_PACKAGE_NAME dskpick)
set(CPACK_PACKAGE_VENDOR "dskpick project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Cuts a fixed set of files out of a D88 floppy-disk image, byte for byte")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-${CMAKE_SYSTEM_PROCESSOR})
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL tools dev)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${DSKPICK_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${DSKPICK_DEBIAN_RELEASE})
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/dskpick/dskpick")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME dskpick)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
  set(CPACK_COMPONENT_TOOLS_DESCRIPTION
      "cut a fixed set of files out of a D88 floppy-disk image
dskpick cuts 20 files out of particular sectors of disks 0, 2 and 3 of a D88
floppy-disk image file, finding each sector by its ID, and writes them byte
for byte. d88info sums up any D88 image, names what is damaged or odd in it,
lists its sector IDs and says what dskpick would cut from it.")
  set(CPACK_DEBIAN_DEV_PACKAGE_NAME dskpick-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_COMPONENT_DEV_DESCRIPTION
      "reader of D88 floppy-disk images (static library and headers)
D88Image opens a D88 floppy-disk image file, finds its disks, selects one,
reads sectors by their IDs, alone or in runs across tracks, and lists the
records of a track. This package holds the static library, its headers and
a CMake package (find_package(dskpick) gives the target dskpick::d88).")
  # The tools' dependencies come from dpkg-shlibdeps (Debian: dpkg-dev) where it is there.
  find_program(DSKPICK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(DSKPICK_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_TOOLS_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
endif()
include(CPack)
