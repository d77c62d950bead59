# Checks a built plug-in DLL without running it:
#  - it is a PE image of the expected kind (PE32 for the 32-bit product);
#  - the loader may place it anywhere and runs none of its data: DYNAMIC_BASE
#    with a relocation table, NX_COMPAT, HIGH_ENTROPY_VA on 64-bit, and no
#    section both writable and executable;
#  - it imports system DLLs of the allowlist only, so it needs no runtime DLL;
#  - it exports exactly the names of the module-definition file, undecorated,
#    each at its ordinal there, from ordinal 1 on.
# Usage: cmake -DDLL=path -DOBJDUMP=path -DDEF=plugin.def -DMAGIC=010b|020b
#              -P CheckPluginDll.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_imports KERNEL32.dll USER32.dll msvcrt.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

if(NOT dump MATCHES "\nMagic[ \t]+${MAGIC}[ \t]")
  string(REGEX MATCH "\nMagic[^\n]*" magic "${dump}")
  message(FATAL_ERROR "${DLL}: expected optional header magic ${MAGIC}, found '${magic}'")
endif()

set(wanted_flags DYNAMIC_BASE NX_COMPAT)
if(MAGIC STREQUAL "020b")
  list(APPEND wanted_flags HIGH_ENTROPY_VA)
endif()
string(REGEX MATCH "\nDllCharacteristics[^\n]*(\n\t+[A-Z_]+)*" flags "${dump}")
foreach(flag IN LISTS wanted_flags)
  if(NOT flags MATCHES "\t${flag}(\n|$)")
    message(FATAL_ERROR "${DLL}: DllCharacteristics lack ${flag}:${flags}")
  endif()
endforeach()
# Data directory entry 5: the base relocations, which DYNAMIC_BASE needs.
string(REGEX MATCH "\nEntry 5 [0-9a-f]+ ([0-9a-f]+) Base Relocation Directory" _ "${dump}")
set(relocations "${CMAKE_MATCH_1}")
if(relocations STREQUAL "" OR relocations MATCHES "^0+$")
  message(FATAL_ERROR "${DLL} has no relocation table")
endif()
message(STATUS "flags: ${wanted_flags}, relocation table of 0x${relocations} bytes")

# Sections: objdump marks code CODE, and what is not writable READONLY.
execute_process(COMMAND ${OBJDUMP} -h ${DLL} OUTPUT_VARIABLE sections RESULT_VARIABLE rc)
string(REGEX MATCHALL "\n +[0-9]+ [^ ]+[^\n]*\n[^\n]+" section_entries "${sections}")
if(rc OR NOT section_entries)
  message(FATAL_ERROR "objdump -h failed on ${DLL}")
endif()
foreach(entry IN LISTS section_entries)
  if(entry MATCHES "CODE" AND NOT entry MATCHES "READONLY")
    string(REGEX MATCH "[0-9]+ ([^ ]+)" _ "${entry}")
    message(FATAL_ERROR "${DLL}: section ${CMAKE_MATCH_1} is both writable and executable")
  endif()
endforeach()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${DLL}")
endif()
string(TOLOWER "${allowed_imports}" allowed)
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: *" "" name "${import}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST allowed)
    message(FATAL_ERROR "${DLL} imports ${name}, which is not one of ${allowed_imports}")
  endif()
endforeach()
message(STATUS "imports: ${imports}")

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

if(NOT dump MATCHES "Ordinal Base[ \t]+1\n")
  message(FATAL_ERROR "ordinal base is not 1")
endif()
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
if(NOT count EQUAL expected_count)
  message(FATAL_ERROR "expected ${expected_count} exported names, found ${count}: ${names}")
endif()
foreach(entry IN LISTS names)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.*)" _ "${entry}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + 1")
  if(NOT CMAKE_MATCH_2 STREQUAL "${wanted_${ordinal}}")
    message(FATAL_ERROR "ordinal ${ordinal} exports '${CMAKE_MATCH_2}', expected '${wanted_${ordinal}}'")
  endif()
endforeach()
message(STATUS "exports: ${count} names at ordinals 1 to ${count}, as in ${DEF}")
