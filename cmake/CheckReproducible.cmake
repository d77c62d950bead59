# Builds the plug-in DLL a second time, from the same sources in another build
# folder (with a longer path), and checks that it is the same bytes as DLL: no
# build path, time or order of the build leaks into what users get.
# Usage: cmake -DSOURCE=dir -DTOOLCHAIN=file -DDLL=path -DWORK=dir -P CheckReproducible.cmake
cmake_minimum_required(VERSION 3.25)
set(second "${WORK}/a-second-build-folder-at-another-path")
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${second} --toolchain ${TOOLCHAIN}
                        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(rc EQUAL 0)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${second} --target plugin -j2 OUTPUT_QUIET RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the second build failed")
endif()
get_filename_component(name ${DLL} NAME)
file(SHA256 ${DLL} first_hash)
file(SHA256 ${second}/bin/${name} second_hash)
message(STATUS "${DLL}: ${first_hash}")
message(STATUS "${second}/bin/${name}: ${second_hash}")
if(NOT first_hash STREQUAL second_hash)
  message(FATAL_ERROR "the same sources built in two folders give two different DLLs")
endif()
file(REMOVE_RECURSE "${WORK}")
