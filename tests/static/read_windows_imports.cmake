# The build's reader of the import list, on its own:
#   cmake -DIMPORTS=windows-imports.txt -DPROCESSOR=i686 -P read_windows_imports.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/WindowsImports.cmake)
ombry_read_windows_imports(${IMPORTS} ${PROCESSOR})
message(STATUS "the oldest Windows for ${PROCESSOR}: ${windows_version}")
