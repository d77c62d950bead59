# Checks the built plug-in DLL with objdump: it imports only system DLLs, and
# it exports exactly the sixteen callbacks, undecorated, at ordinals 1 to 16.
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

if(NOT dump MATCHES "Ordinal Base[ \t]+1\n")
  message(FATAL_ERROR "ordinal base is not 1")
endif()
set(expected
  OMC_OnStart OMC_OnExit OMC_OnMenuInit OMC_OnOpenFolder OMC_OnOpenMail OMC_OnEveryMinute
  OMC_OnOpenCompose OMC_OnOutgoing OMC_OnKeyDispatch OMC_OnRetrieve OMC_OnSend
  OMC_OnFinishRetrieve OMC_OnPlugInSetup OMC_OnPlugInInfo OMC_OnDragDrop OMC_OnBeforeFilter2)
# The name table lists each export as "[index] name", index = ordinal - base,
# and ends at an empty line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${start} -1 table)
string(FIND "${table}" "\n\n" end)
string(SUBSTRING "${table}" 0 ${end} table)
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]*" names "${table}")
list(LENGTH names count)
if(NOT count EQUAL 16)
  message(FATAL_ERROR "expected 16 exported names, found ${count}: ${names}")
endif()
foreach(entry IN LISTS names)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.*)" _ "${entry}")
  list(GET expected ${CMAKE_MATCH_1} wanted)
  if(NOT CMAKE_MATCH_2 STREQUAL wanted)
    message(FATAL_ERROR "ordinal ${CMAKE_MATCH_1}+1 exports '${CMAKE_MATCH_2}', expected '${wanted}'")
  endif()
endforeach()
