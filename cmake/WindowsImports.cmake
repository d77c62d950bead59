# Reads src/plugin/windows-imports.txt: the oldest Windows a build of the DLL
# runs on, and the system functions the DLL may import. Used by the build (the
# subsystem version it links with) and by the DLL's static check.
#
#   ombry_read_windows_imports(FILE PROCESSOR)   sets, in the caller's scope:
#     windows_version      NT version of the oldest Windows, "major.minor"
#     windows_name         its name
#     windows_dlls         the DLLs named by the list, in lower case
#     windows_functions    "dll!function" for each function, the DLL in lower case
#     windows_oldest_<dll!function>  the oldest Windows that has it
function(ombry_read_windows_imports file processor)
  file(STRINGS "${file}" lines REGEX "^[^#]")
  set(version "")
  set(dlls "")
  set(functions "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^windows[ \t]+([A-Za-z0-9_]+)[ \t]+([0-9]+\\.[0-9]+)[ \t]+(.+)$")
      if(CMAKE_MATCH_1 STREQUAL processor)
        set(version ${CMAKE_MATCH_2})
        set(name "${CMAKE_MATCH_3}")
      endif()
    elseif(line MATCHES "^([A-Za-z0-9_]+\\.[Dd][Ll][Ll])[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+([0-9]+\\.[0-9]+)[ \t]+.+$")
      string(TOLOWER "${CMAKE_MATCH_1}" dll)
      set(function "${dll}!${CMAKE_MATCH_2}")
      if(function IN_LIST functions)
        message(FATAL_ERROR "${file}: ${function} is listed twice")
      endif()
      list(APPEND functions "${function}")
      set(windows_oldest_${function} ${CMAKE_MATCH_3} PARENT_SCOPE)
      if(NOT dll IN_LIST dlls)
        list(APPEND dlls ${dll})
      endif()
    else()
      message(FATAL_ERROR "${file}: cannot read '${line}'")
    endif()
  endforeach()
  if(version STREQUAL "")
    message(FATAL_ERROR "${file} gives no oldest Windows for ${processor}")
  endif()
  set(windows_version ${version} PARENT_SCOPE)
  set(windows_name "${name}" PARENT_SCOPE)
  set(windows_dlls "${dlls}" PARENT_SCOPE)
  set(windows_functions "${functions}" PARENT_SCOPE)
endfunction()
