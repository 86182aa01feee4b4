# Builds the GStreamer plugin afresh from a copy of the source tree, in a
# folder of its own, with the build's own compiler and flags, and compares its
# bytes with the build's plugin: no path of the folders a build ran in reaches
# the plugin.
# usage: cmake -DSOURCE=dir -DPLUGIN=file -DFOLDER=dir -DSETTINGS=a|b|... -P reproducible_plugin.cmake
# where SETTINGS are the arguments that configure the build, "|" between them.
string(REPLACE "|" ";" SETTINGS "${SETTINGS}")
file(REMOVE_RECURSE ${FOLDER})
file(COPY ${SOURCE}/ DESTINATION ${FOLDER}/source PATTERN .git EXCLUDE PATTERN build EXCLUDE)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${FOLDER}/source -B ${FOLDER}/build ${SETTINGS} -DCHROMAFOLD_TESTS=OFF
                        -DCHROMAFOLD_BENCH=OFF -DCHROMAFOLD_EXAMPLES=OFF
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${FOLDER}/build --target gstchromafold
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${PLUGIN} ${FOLDER}/build/gst/libgstchromafold.so
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the plugin built in ${FOLDER} differs from ${PLUGIN}")
endif()
file(REMOVE_RECURSE ${FOLDER})
message(STATUS "the plugin built in another folder has the same bytes")
