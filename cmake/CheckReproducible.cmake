# Builds the plug-in DLL (or BUILD_TARGET, a copy of it that tests/static defines) a
# second time, from the same sources in another build folder (with a longer
# path), and checks that it is the same bytes as DLL: no build path, time or
# order of the build leaks into what users get.
# Usage: cmake -DSOURCE=dir -DTOOLCHAIN=file [-DBUILD_TARGET=plugin] -DDLL=path -DWORK=dir
#              -P CheckReproducible.cmake
cmake_minimum_required(VERSION 3.25)
set(second "${WORK}/a-second-build-folder-at-another-path")
if(NOT BUILD_TARGET)
  set(BUILD_TARGET plugin)
endif()
# The product needs no tests; a copy is defined among the static checks' own.
if(BUILD_TARGET STREQUAL "plugin")
  set(testing -DBUILD_TESTING=OFF)
else()
  set(testing -DBUILD_TESTING=ON -DOMBRY_TEST_PROGRAMS=OFF)
endif()
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${second} --toolchain ${TOOLCHAIN}
                        -DCMAKE_BUILD_TYPE=Release ${testing}
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(rc EQUAL 0)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${second} --target ${BUILD_TARGET} -j2 OUTPUT_QUIET RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the second build failed")
endif()
get_filename_component(name ${DLL} NAME)
file(SHA256 ${DLL} first_hash)
set(second_dll ${second}/bin/${name})
file(SHA256 ${second_dll} second_hash)
message(STATUS "${DLL}: ${first_hash}")
message(STATUS "${second_dll}: ${second_hash}")
if(NOT first_hash STREQUAL second_hash)
  message(FATAL_ERROR "the same sources built in two folders give two different DLLs")
endif()
file(REMOVE_RECURSE "${WORK}")
