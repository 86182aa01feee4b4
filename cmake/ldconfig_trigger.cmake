# Run by CPack after it has built the packages. CPack (up to CMake 3.25 at
# least) makes a package whose shared library lies in /usr/lib call ldconfig
# from its postinst and postrm scripts; Debian wants dpkg's ldconfig trigger,
# which the library package declares itself, and no scripts. Rebuilds that
# package without them; its files and their checksums stay as they are.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "/libchromafold[0-9]+_[^/]*\\.deb$")
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/without_ldconfig_calls)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  if(NOT EXISTS ${tree}/DEBIAN/triggers)
    message(FATAL_ERROR "${deb} declares no ldconfig trigger")
  endif()
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
