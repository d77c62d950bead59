# Reads, from src/plugin/windows-imports.txt, the oldest Windows a build of the
# DLL runs on, whose version the linker writes into the DLL as its subsystem
# version. The DLL's static check (scripts/check-plugin-dll.py) reads the rest
# of the list, the functions the DLL may import.
#
#   ombry_read_windows_imports(FILE PROCESSOR)   sets, in the caller's scope:
#     windows_version      NT version of the oldest Windows, "major.minor"
function(ombry_read_windows_imports file processor)
  file(STRINGS "${file}" lines REGEX "^windows[ \t]")
  foreach(line IN LISTS lines)
    if(line MATCHES "^windows[ \t]+${processor}[ \t]+([0-9]+\\.[0-9]+)[ \t]+.+$")
      set(windows_version ${CMAKE_MATCH_1} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${file} gives no oldest Windows for ${processor}")
endfunction()
