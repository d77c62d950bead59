# Settings every target of ours gets, set per target.
include(WindowsImports)

# Warnings as errors for our own code; Windows binaries carry their C/C++
# runtime inside, so they import nothing but system DLLs.
function(ombry_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WIN32)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY")
      target_link_options(${target} PRIVATE -static)
    endif()
  endif()
endfunction()

# Code that goes into the plug-in DLL: no C++ exceptions and no RTTI, so that
# the DLL carries none of the C++ runtime's exception and thread support. That
# support, linked in statically, leaks memory each time the host unloads the DLL.
#
# With OMBRY_COVERAGE (the coverage presets), this code, and only this, counts
# which of its lines and branches run: the programs it goes into write the
# counts when they end (a DLL when it is unloaded).
function(ombry_module_code target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  if(OMBRY_COVERAGE)
    target_compile_options(${target} PRIVATE --coverage)
    target_link_options(${target} PUBLIC --coverage)
  endif()
endfunction()

# Reads the host's entry-point list (src/host/host_entry_points.inc) into
# OMBRY_HOST_ENTRY_POINTS (all, in slot order) and OMBRY_REQUIRED_HOST_ENTRY_POINTS.
function(ombry_read_host_entry_points)
  set(list_file "${PROJECT_SOURCE_DIR}/src/host/host_entry_points.inc")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${list_file}")
  set(entry "^OMBRY_ENTRY_POINT\\(([A-Za-z0-9_]+), *(Called|Uncalled), *(Required|Optional)\\)$")
  file(STRINGS "${list_file}" lines REGEX "^OMBRY_ENTRY_POINT\\(")
  set(all "")
  set(required "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "${entry}")
      message(FATAL_ERROR "${list_file}: cannot read '${line}'")
    endif()
    list(APPEND all "${CMAKE_MATCH_1}")
    if(CMAKE_MATCH_3 STREQUAL "Required")
      list(APPEND required "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(LENGTH all count)
  if(NOT count EQUAL 58)
    message(FATAL_ERROR "expected 58 host entry points, read ${count}")
  endif()
  set(OMBRY_HOST_ENTRY_POINTS "${all}" PARENT_SCOPE)
  set(OMBRY_REQUIRED_HOST_ENTRY_POINTS "${required}" PARENT_SCOPE)
endfunction()
