# Packages, of the one version of the project: three .debs on Debian, split as
# Debian splits a library and its program, and one .zip for Windows.
set(CPACK_PACKAGE_NAME chromafold)
set(CPACK_PACKAGE_VENDOR "the chromafold developers")
set(CPACK_PACKAGE_CONTACT "chromafold developers <dev@chromafold.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(FILES LICENSE DESTINATION . COMPONENT program)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

# Each package carries the licence as its copyright file and the changelog,
# compressed, under /usr/share/doc/PACKAGE; an install from source carries the
# licence once.
option(CHROMAFOLD_DEBIAN_PACKAGES "Install the documents of the Debian packages" OFF)
if(CHROMAFOLD_DEBIAN_PACKAGES)
  add_custom_command(OUTPUT changelog.gz
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > changelog.gz
    DEPENDS packaging/changelog)
  add_custom_target(debian_changelog ALL DEPENDS changelog.gz)
  set(packages program:chromafold library:libchromafold1 development:libchromafold-dev)
  if(TARGET gstchromafold)
    list(APPEND packages gstreamer:gstreamer1.0-chromafold)
  endif()
  foreach(part IN LISTS packages)
    string(REPLACE ":" ";" part ${part})
    list(GET part 0 component)
    list(GET part 1 package)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
            RENAME copyright COMPONENT ${component})
    install(FILES ${PROJECT_BINARY_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  endforeach()
else()
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program library development)
if(TARGET gstchromafold)
  list(APPEND CPACK_COMPONENTS_ALL gstreamer)
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies on shared libraries are computed by dpkg-shlibdeps. The library
# package says which versions of it a program built now needs in its own
# shlibs and symbols files: CPack would make the shlibs file of every package
# and warn of the plugin, a module with no soname.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
configure_file(packaging/shlibs.in ${PROJECT_BINARY_DIR}/shlibs @ONLY)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb_post_build.cmake)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME chromafold)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
"field-aware converters of interlaced 4:2:2 and 4:2:0 video
chromafold reads headerless files of packed UYVY 4:2:2 frames and writes, for
each, a headerless planar 4:2:0 file, its frames aligned to 16 x 32 by clipping
or padding, its chroma filtered vertically within each interlaced field and
never across fields, ready for an encoder.
.
chromafold-pipe converts one stream of frames between ffmpeg, x264 and
files, YUV4MPEG2 with its field order or headerless: every 4:2:2 layout
(UYVY, YUY2, v210, planar and semi-planar 8- and 10-bit) into every 4:2:0 one
(I420, NV12, I010, P010) at the frames' own size, and back for playout.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libchromafold1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/shlibs ${PROJECT_SOURCE_DIR}/packaging/symbols ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(library_description
"libchromafold converts frames of interlaced 4:2:2 video in memory (packed
UYVY, YUY2 or 10-bit v210, planar or semi-planar 8- and 10-bit) into 4:2:0
(I420, NV12, or 10-bit I010 and P010), at their own size or aligned to
16 x 32, with the chroma filtered vertically within each interlaced field,
writing straight into an encoder's planes with their own strides; and back
from 4:2:0 into every 4:2:2 layout for playout, the exact inverse of its
chroma siting.")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
"field-aware interlaced 4:2:2 to 4:2:0 conversion - library
${library_description}
.
This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libchromafold-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libchromafold1 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
"field-aware interlaced 4:2:2 to 4:2:0 conversion - development files
${library_description}
.
This package holds the C header, the static library, and the files
with which pkg-config and CMake find the library.")
# The GStreamer plugin depends on the shared library built beside it, which
# dpkg-shlibdeps can only resolve once that library's package exists: its
# dependencies are computed after the packages are built, and replace the
# one given here.
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_NAME gstreamer1.0-chromafold)
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_SECTION video)
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_DEPENDS "libchromafold1 (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_GSTREAMER_DESCRIPTION
"GStreamer element for field-aware interlaced 4:2:2 to 4:2:0 conversion
The chromafold element converts interlaced 4:2:2 video (UYVY, YUY2 and 10-bit
v210 from capture cards, Y42B, NV16 and I422_10LE from decoders) into I420,
NV12, I420_10LE and P010_10LE, at the input's size or aligned to 16 x 32, with
the chroma filtered vertically within each interlaced field and sited where
MPEG-2 and H.264 expect it; and interlaced 4:2:0 back into each of those 4:2:2
layouts for playout, the exact inverse of that siting. Its output always
carries its field order, so that elements downstream keep the right one.")
include(CPack)
