# Checks the built plug-in DLL with objdump: it imports only system DLLs.
# Usage: cmake -DDLL=path -DOBJDUMP=path -P CheckPluginDll.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
message(STATUS "imports: ${imports}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${DLL}")
endif()
foreach(import IN LISTS imports)
  if(import MATCHES "(libgcc|libstdc\\+\\+|libwinpthread)")
    message(FATAL_ERROR "${DLL} depends on a runtime DLL: ${import}")
  endif()
endforeach()
