# Reads a PE image (a Windows DLL or program) from its bytes, as the Windows
# loader does: the headers, the section table, and the export and import
# tables. No disassembler's text is parsed, so no tool's version changes what
# is read.
#
#   pe_read(FILE)   reads FILE and sets, in the caller's scope:
#     pe_machine          IMAGE_FILE_MACHINE_* (332 i386, 34404 x86-64)
#     pe_magic            267 (PE32) or 523 (PE32+)
#     pe_subsystem_version  "major.minor"
#     pe_dll_characteristics, pe_characteristics   the header's flag words
#     pe_relocations_size the base relocation table's size (0: none)
#     pe_sections         "name;characteristics" pairs flattened, in order
#     pe_export_base      the ordinal base
#     pe_export_count     how many ordinals the export address table has
#     pe_exports          "ordinal=name" for each exported name
#     pe_imports          "DLL!function" for each import by name,
#                         "DLL#ordinal" for each import by ordinal
# A malformed image ends the script with FATAL_ERROR, naming what is wrong.
cmake_minimum_required(VERSION 3.25)

# Unsigned little-endian integer of SIZE (1 to 4) bytes at file OFFSET.
function(pe_uint out offset size)
  math(EXPR end "${offset} + ${size}")
  if(offset LESS 0 OR end GREATER pe_file_size)
    message(FATAL_ERROR "${pe_file}: ${size} bytes at offset ${offset} lie beyond the file's end (${pe_file_size} bytes)")
  endif()
  math(EXPR start "${offset} * 2")
  set(value "")
  foreach(byte RANGE 1 ${size})
    string(SUBSTRING "${pe_hex}" ${start} 2 pair)
    string(PREPEND value "${pair}")
    math(EXPR start "${start} + 2")
  endforeach()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The integer of SIZE bytes at BASE + DISPLACEMENT.
function(pe_field out base displacement size)
  math(EXPR offset "${base} + ${displacement}")
  pe_uint(value ${offset} ${size})
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The file offset of relative virtual address RVA, through the section that
# holds it.
function(pe_offset_of out rva)
  foreach(section IN LISTS pe_section_spans)
    string(REPLACE ":" ";" span "${section}")
    list(GET span 0 address)
    list(GET span 1 size)
    list(GET span 2 raw)
    math(EXPR end "${address} + ${size}")
    if(rva GREATER_EQUAL address AND rva LESS end)
      math(EXPR offset "${rva} - ${address} + ${raw}")
      set(${out} ${offset} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${pe_file}: address ${rva} lies in no section")
endfunction()

# The NUL-terminated ASCII name at relative virtual address RVA.
function(pe_name out rva)
  pe_offset_of(offset ${rva})
  set(name "")
  foreach(count RANGE 1 256)
    pe_uint(byte ${offset} 1)
    if(byte EQUAL 0)
      set(${out} "${name}" PARENT_SCOPE)
      return()
    endif()
    if(byte LESS 32 OR byte GREATER 126)
      message(FATAL_ERROR "${pe_file}: the name at ${rva} holds byte ${byte}, which no export or import name has")
    endif()
    string(ASCII ${byte} char)
    string(APPEND name "${char}")
    math(EXPR offset "${offset} + 1")
  endforeach()
  message(FATAL_ERROR "${pe_file}: the name at ${rva} has no end within 256 bytes")
endfunction()

# "major.minor" of the two 16-bit numbers at BASE + DISPLACEMENT.
macro(pe_version out base displacement)
  pe_field(major ${base} ${displacement} 2)
  pe_field(minor ${base} "${displacement} + 2" 2)
  set(${out} "${major}.${minor}")
endmacro()

function(pe_read file)
  set(pe_file "${file}")
  file(READ "${file}" pe_hex HEX)
  string(LENGTH "${pe_hex}" length)
  math(EXPR pe_file_size "${length} / 2")

  # The DOS header's "MZ", and at e_lfanew the "PE\0\0" signature.
  pe_uint(mz 0 2)
  if(NOT mz EQUAL 23117)  # "MZ"
    message(FATAL_ERROR "${file} is not a Windows image (no MZ header)")
  endif()
  pe_uint(pe 60 4)  # e_lfanew
  pe_uint(signature ${pe} 4)
  if(NOT signature EQUAL 17744)  # "PE\0\0"
    message(FATAL_ERROR "${file} has no PE signature at offset ${pe}")
  endif()

  # The file header, then the optional header, whose layout differs between
  # PE32 and PE32+ from its data directories on.
  math(EXPR coff "${pe} + 4")
  pe_field(machine ${coff} 0 2)
  pe_field(section_count ${coff} 2 2)
  pe_field(optional_size ${coff} 16 2)
  pe_field(characteristics ${coff} 18 2)
  math(EXPR optional "${coff} + 20")
  pe_uint(magic ${optional} 2)
  if(magic EQUAL 267)  # PE32
    set(directory_count_at 92)
  elseif(magic EQUAL 523)  # PE32+
    set(directory_count_at 108)
  else()
    message(FATAL_ERROR "${file}: optional header magic ${magic} is neither PE32 nor PE32+")
  endif()
  pe_version(subsystem_version ${optional} 48)
  pe_field(dll_characteristics ${optional} 70 2)
  pe_field(directory_count ${optional} ${directory_count_at} 4)
  math(EXPR directories "${optional} + ${directory_count_at} + 4")

  # Data directories: 0 exports, 1 imports, 5 base relocations.
  foreach(entry IN ITEMS 0:export 1:import 5:relocation)
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 index)
    list(GET entry 1 kind)
    set(${kind}_rva 0)
    set(${kind}_size 0)
    if(index LESS directory_count)
      math(EXPR entry "${directories} + ${index} * 8")
      pe_field(${kind}_rva ${entry} 0 4)
      pe_field(${kind}_size ${entry} 4 4)
    endif()
  endforeach()

  # Section table: name, then where each section lies in memory and in the file.
  math(EXPR table "${optional} + ${optional_size}")
  set(pe_section_spans "")
  set(sections "")
  if(section_count GREATER 0)
    math(EXPR last "${section_count} - 1")
    foreach(n RANGE ${last})
      math(EXPR header "${table} + ${n} * 40")
      set(name "")
      foreach(i RANGE 0 7)
        math(EXPR at "${header} + ${i}")
        pe_uint(byte ${at} 1)
        if(byte EQUAL 0)
          break()
        endif()
        string(ASCII ${byte} char)
        string(APPEND name "${char}")
      endforeach()
      pe_field(virtual_size ${header} 8 4)
      pe_field(virtual_address ${header} 12 4)
      pe_field(raw_size ${header} 16 4)
      pe_field(raw_offset ${header} 20 4)
      pe_field(section_flags ${header} 36 4)
      # Only the bytes the file holds can be read.
      set(span_size ${virtual_size})
      if(raw_size LESS span_size)
        set(span_size ${raw_size})
      endif()
      list(APPEND pe_section_spans "${virtual_address}:${span_size}:${raw_offset}")
      list(APPEND sections "${name}" "${section_flags}")
    endforeach()
  endif()

  # Exports: the names, each with the index of its address, ordinal - base.
  set(export_base 0)
  set(export_count 0)
  set(exports "")
  if(export_rva)
    pe_offset_of(directory ${export_rva})
    pe_field(export_base ${directory} 16 4)
    pe_field(export_count ${directory} 20 4)
    pe_field(name_count ${directory} 24 4)
    pe_field(names_rva ${directory} 32 4)
    pe_field(indexes_rva ${directory} 36 4)
    if(name_count GREATER 0)
      pe_offset_of(names ${names_rva})
      pe_offset_of(indexes ${indexes_rva})
      math(EXPR last "${name_count} - 1")
      foreach(n RANGE ${last})
        pe_field(name_rva ${names} "${n} * 4" 4)
        pe_name(name ${name_rva})
        pe_field(index ${indexes} "${n} * 2" 2)
        math(EXPR ordinal "${export_base} + ${index}")
        list(APPEND exports "${ordinal}=${name}")
      endforeach()
    endif()
  endif()

  # Imports: one descriptor of 20 bytes per DLL, up to an empty one; each
  # points at its lookup table of thunks (4 bytes in PE32, 8 in PE32+), whose
  # top bit marks an import by ordinal, and which otherwise hold the address
  # of a hint and a name.
  set(imports "")
  if(import_rva)
    if(magic EQUAL 267)
      set(thunk_size 4)
    else()
      set(thunk_size 8)
    endif()
    pe_offset_of(descriptor ${import_rva})
    while(TRUE)
      pe_uint(lookup_rva ${descriptor} 4)
      pe_field(dll_rva ${descriptor} 12 4)
      pe_field(address_rva ${descriptor} 16 4)
      if(dll_rva EQUAL 0)
        break()
      endif()
      pe_name(dll ${dll_rva})
      if(lookup_rva EQUAL 0)
        set(lookup_rva ${address_rva})
      endif()
      pe_offset_of(thunk ${lookup_rva})
      while(TRUE)
        pe_uint(low ${thunk} 4)
        pe_field(high ${thunk} "${thunk_size} - 4" 4)
        if(thunk_size EQUAL 4)
          set(high 0)
        endif()
        if(low EQUAL 0 AND high EQUAL 0)
          break()
        endif()
        if(thunk_size EQUAL 4)
          math(EXPR by_ordinal "${low} >> 31")
        else()
          math(EXPR by_ordinal "${high} >> 31")
        endif()
        if(by_ordinal)
          math(EXPR ordinal "${low} & 0xFFFF")
          list(APPEND imports "${dll}#${ordinal}")
        else()
          math(EXPR name_rva "${low} + 2")
          pe_name(function ${name_rva})
          list(APPEND imports "${dll}!${function}")
        endif()
        math(EXPR thunk "${thunk} + ${thunk_size}")
      endwhile()
      math(EXPR descriptor "${descriptor} + 20")
    endwhile()
  endif()

  foreach(result IN ITEMS machine magic subsystem_version dll_characteristics characteristics
                          sections export_base export_count exports imports)
    set(pe_${result} "${${result}}" PARENT_SCOPE)
  endforeach()
  set(pe_relocations_size ${relocation_size} PARENT_SCOPE)
endfunction()
