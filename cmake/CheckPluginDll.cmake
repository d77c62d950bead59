# Checks a built plug-in DLL without running it, from its bytes (PeImage.cmake):
#  - it is a DLL of the expected processor (PE32 for the 32-bit product);
#  - Windows as old as windows-imports.txt names for the processor loads it:
#    its subsystem version is no newer, and it imports nothing but the
#    functions that list holds, each by name, none newer than that Windows;
#    so it needs no runtime DLL either;
#  - the loader may place it anywhere and runs none of its data: DYNAMIC_BASE
#    with a relocation table, NX_COMPAT, HIGH_ENTROPY_VA on 64-bit, and no
#    section both writable and executable;
#  - it exports exactly the names of the module-definition file, each at its
#    ordinal there, from ordinal 1 on.
# A failure names the entry that differs.
# Usage: cmake -DDLL=path -DDEF=plugin.def -DIMPORTS=windows-imports.txt
#              -DPROCESSOR=i686|x86_64 -P CheckPluginDll.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/PeImage.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsImports.cmake)

# The finding on a line of its own (CMake wraps an error's text), then the error.
function(fail)
  string(JOIN "" text ${ARGN})
  message(NOTICE "${DLL}: ${text}")
  message(FATAL_ERROR "the DLL is not what it must be")
endfunction()

pe_read("${DLL}")
ombry_read_windows_imports("${IMPORTS}" ${PROCESSOR})

# Processor and kind of image.
if(PROCESSOR STREQUAL "i686")
  set(machine 332)   # IMAGE_FILE_MACHINE_I386
  set(magic 267)     # PE32
  set(kind PE32)
else()
  set(machine 34404) # IMAGE_FILE_MACHINE_AMD64
  set(magic 523)     # PE32+
  set(kind PE32+)
endif()
if(NOT pe_machine EQUAL machine OR NOT pe_magic EQUAL magic)
  fail("expected a ${kind} image for ${PROCESSOR} (machine ${machine}), found machine ${pe_machine}, magic ${pe_magic}")
endif()
math(EXPR is_dll "${pe_characteristics} & 0x2000")  # IMAGE_FILE_DLL
if(NOT is_dll)
  fail("the image is not marked as a DLL")
endif()

# The Windows that loads it.
if(pe_subsystem_version VERSION_GREATER windows_version)
  fail("subsystem version ${pe_subsystem_version} is newer than ${windows_name} (${windows_version}), "
       "the oldest Windows ${IMPORTS} names for ${PROCESSOR}")
endif()
if(NOT pe_imports)
  fail("no imports found")
endif()
set(dlls_found "")
foreach(import IN LISTS pe_imports)
  if(import MATCHES "^(.*)#([0-9]+)$")
    fail("imports ordinal ${CMAKE_MATCH_2} of ${CMAKE_MATCH_1}: only imports by name can be held to the list")
  endif()
  string(REGEX MATCH "^([^!]*)!(.*)$" _ "${import}")
  set(dll "${CMAKE_MATCH_1}")
  string(TOLOWER "${dll}" lower_dll)
  set(key "${lower_dll}!${CMAKE_MATCH_2}")
  if(NOT lower_dll IN_LIST windows_dlls)
    fail("imports ${import}: ${dll} is none of the system DLLs of ${IMPORTS}")
  endif()
  if(NOT key IN_LIST windows_functions)
    fail("imports ${import}, which ${IMPORTS} does not list")
  endif()
  if(windows_oldest_${key} VERSION_GREATER windows_version)
    fail("imports ${import}, which needs Windows ${windows_oldest_${key}}, newer than ${windows_name} (${windows_version})")
  endif()
  if(NOT dll IN_LIST dlls_found)
    list(APPEND dlls_found "${dll}")
  endif()
endforeach()
list(LENGTH pe_imports import_count)
string(JOIN ", " dlls_found ${dlls_found})
message(STATUS "${kind}, subsystem version ${pe_subsystem_version} (${windows_name}: ${windows_version}); "
               "${import_count} functions imported by name from ${dlls_found}, each in ${IMPORTS}")

# Where the loader may place it, and what it may run.
set(wanted_flags DYNAMIC_BASE:64 NX_COMPAT:256)
if(PROCESSOR STREQUAL "x86_64")
  list(APPEND wanted_flags HIGH_ENTROPY_VA:32)
endif()
foreach(flag IN LISTS wanted_flags)
  string(REPLACE ":" ";" flag "${flag}")
  list(GET flag 0 name)
  list(GET flag 1 bit)
  math(EXPR set "${pe_dll_characteristics} & ${bit}")
  if(NOT set)
    fail("DllCharacteristics ${pe_dll_characteristics} lack ${name}")
  endif()
endforeach()
if(NOT pe_relocations_size GREATER 0)
  fail("no relocation table")
endif()
set(sections "${pe_sections}")
while(sections)
  list(POP_FRONT sections name flags)
  # IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_WRITE
  math(EXPR both "${flags} & 0xA0000000")
  if(both EQUAL 2684354560)
    fail("section ${name} is both writable and executable")
  endif()
endwhile()
string(REGEX REPLACE ":[0-9]+" "" wanted_flags "${wanted_flags}")
string(JOIN ", " wanted_flags ${wanted_flags})
message(STATUS "${wanted_flags}, a relocation table of ${pe_relocations_size} bytes, "
               "no section both writable and executable")

# The expected exports: "Name [= Internal] @Ordinal" lines of the .def file.
file(STRINGS ${DEF} def_lines REGEX "^[ \t]*[A-Za-z_][A-Za-z0-9_]*[^;]*@[0-9]+")
set(expected_count 0)
foreach(line IN LISTS def_lines)
  string(REGEX MATCH "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[^;]*[ \t]@([0-9]+)" _ "${line}")
  set(wanted_${CMAKE_MATCH_2} ${CMAKE_MATCH_1})
  math(EXPR expected_count "${expected_count} + 1")
endforeach()
if(expected_count EQUAL 0)
  message(FATAL_ERROR "no exports read from ${DEF}")
endif()
if(NOT pe_export_base EQUAL 1)
  fail("ordinal base ${pe_export_base}, expected 1")
endif()
foreach(export IN LISTS pe_exports)
  string(REGEX MATCH "^([0-9]+)=(.*)$" _ "${export}")
  set(ordinal ${CMAKE_MATCH_1})
  set(name "${CMAKE_MATCH_2}")
  if(NOT DEFINED wanted_${ordinal})
    fail("exports '${name}' at ordinal ${ordinal}, which ${DEF} does not give")
  endif()
  if(NOT name STREQUAL wanted_${ordinal})
    fail("ordinal ${ordinal} exports '${name}', expected '${wanted_${ordinal}}'")
  endif()
  set(found_${ordinal} 1)
endforeach()
foreach(ordinal RANGE 1 ${expected_count})
  if(NOT found_${ordinal})
    fail("'${wanted_${ordinal}}' is not exported at ordinal ${ordinal}")
  endif()
endforeach()
if(NOT pe_export_count EQUAL expected_count)
  fail("${pe_export_count} ordinals exported, expected ${expected_count}")
endif()
message(STATUS "exports: ${expected_count} names at ordinals 1 to ${expected_count}, as in ${DEF}")
