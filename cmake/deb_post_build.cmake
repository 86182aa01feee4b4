# Run by CPack after it has built the packages; rebuilds two of them, their
# files and those files' checksums as they were.
#
# CPack (up to CMake 3.25 at least) makes a package whose shared library lies
# in /usr/lib call ldconfig from its postinst and postrm scripts; Debian wants
# dpkg's ldconfig trigger, which the library package declares itself, and no
# scripts. The library package is rebuilt without them.
#
# The GStreamer plugin's dependencies are computed here, by dpkg-shlibdeps
# with the library package beside it as a package being built, so that its
# symbols file gives the version of libchromafold1 the plugin needs.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(deb MATCHES "/libchromafold[0-9]+_[^/]*\\.deb$")
    set(library_deb ${deb})
  elseif(deb MATCHES "/gstreamer1\\.0-chromafold_[^/]*\\.deb$")
    set(plugin_deb ${deb})
  endif()
endforeach()
set(work ${CPACK_TOPLEVEL_DIRECTORY}/post_build)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/debian)

if(NOT library_deb)
  message(FATAL_ERROR "no library package among ${CPACK_PACKAGE_FILES}")
endif()
execute_process(COMMAND dpkg-deb --raw-extract ${library_deb} ${work}/debian/libchromafold1
                COMMAND_ERROR_IS_FATAL ANY)
if(NOT EXISTS ${work}/debian/libchromafold1/DEBIAN/triggers)
  message(FATAL_ERROR "${library_deb} declares no ldconfig trigger")
endif()
file(REMOVE ${work}/debian/libchromafold1/DEBIAN/postinst ${work}/debian/libchromafold1/DEBIAN/postrm)
execute_process(COMMAND dpkg-deb --root-owner-group --build ${work}/debian/libchromafold1 ${library_deb}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

if(plugin_deb)
  execute_process(COMMAND dpkg-deb --raw-extract ${plugin_deb} ${work}/plugin COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE plugin ${work}/plugin/usr/*.so)
  file(WRITE ${work}/debian/control "")
  execute_process(COMMAND dpkg-shlibdeps -O ${plugin} WORKING_DIRECTORY ${work}
                  OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE "^shlibs:Depends=" "" depends "${depends}")
  if(NOT depends MATCHES "libchromafold1 \\(>= ")
    message(FATAL_ERROR "the plugin's dependencies, ${depends}, lack libchromafold1")
  endif()
  file(READ ${work}/plugin/DEBIAN/control control)
  string(REGEX REPLACE "\nDepends: [^\n]*" "" control "${control}")
  string(REPLACE "\nDescription:" "\nDepends: ${depends}\nDescription:" control "${control}")
  file(WRITE ${work}/plugin/DEBIAN/control "${control}")
  execute_process(COMMAND dpkg-deb --root-owner-group --build ${work}/plugin ${plugin_deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
file(REMOVE_RECURSE ${work})
