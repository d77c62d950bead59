# Reads, from src/plugin/windows-imports.txt, the oldest Windows a build of the
# DLL runs on, whose version the linker writes into the DLL as its subsystem
# version. The DLL's static check (scripts/check-plugin-dll.py) reads the rest
# of the list, the functions the DLL may import, and refuses the same
# "windows" lines as this: one it cannot read, or a processor named twice.
#
#   ombry_read_windows_imports(FILE PROCESSOR)   sets, in the caller's scope:
#     windows_version      NT version of the oldest Windows, "major.minor"
function(ombry_read_windows_imports file processor)
  file(STRINGS "${file}" lines REGEX "^windows[ \t]")
  set(named "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^windows[ \t]+([A-Za-z0-9_]+)[ \t]+([0-9]+\\.[0-9]+)[ \t]+.+$")
      message(FATAL_ERROR "${file}: cannot read '${line}'")
    endif()
    if(CMAKE_MATCH_1 IN_LIST named)
      message(FATAL_ERROR "${file} names the oldest Windows for ${CMAKE_MATCH_1} twice")
    endif()
    list(APPEND named ${CMAKE_MATCH_1})
    if(CMAKE_MATCH_1 STREQUAL processor)
      set(windows_version ${CMAKE_MATCH_2} PARENT_SCOPE)
    endif()
  endforeach()
  if(NOT processor IN_LIST named)
    message(FATAL_ERROR "${file} gives no oldest Windows for ${processor}")
  endif()
endfunction()
